#!/usr/bin/env python3
"""Makes the shipped documents from their sources in this folder.

    python3 share/Manual/make_docs.py

writes
  share/Rules/Zox_rules.txt     from Zox_rules.src.txt: code page 1250, CR LF, as the
                                 text editor shows the other files of the program;
  share/Manual/Zox_navodila.doc from Zox_navodila.src.txt: RTF under the .doc name,
                                 which the word processors open;
  share/Help/emblem.png         the emblem, 207 x 230, drawn with ImageMagick;
  share/Icons/zox.png           the desktop icon: the emblem on a 256 x 256 square.

Source markup of the manual, one block per paragraph (blank lines between):
  = Title             the document's title; the next line is its subtitle
  # Heading           chapter;  ## Heading  section
  - item              bullet;   1. item     numbered item (the number is kept)
  | a | b |           table row (the first row of a table is its head)
      text            (four blanks) a line in a fixed-width font
  **text**            bold inside a paragraph
"""

import pathlib
import re
import subprocess
import sys

HERE = pathlib.Path(__file__).resolve().parent
SHARE = HERE.parent

# ---------------------------------------------------------------- rules


def make_rules():
    text = (HERE / "Zox_rules.src.txt").read_text(encoding="utf-8")
    lines = text.replace("\r\n", "\n").rstrip("\n").split("\n")
    data = "".join(line.rstrip() + "\r\n" for line in lines).encode("cp1250")
    write(SHARE / "Rules" / "Zox_rules.txt", data)


# ---------------------------------------------------------------- manual

PAGE_WIDTH = 11906   # A4, twips
MARGIN = 1418        # 2.5 cm
TEXT_WIDTH = PAGE_WIDTH - 2 * MARGIN

HEADER = (
    r"{\rtf1\ansi\ansicpg1250\deff0\deflang1060\uc1" "\n"
    r"{\fonttbl{\f0\froman\fcharset238\fprq2 Times New Roman;}"
    r"{\f1\fswiss\fcharset238\fprq2 Arial;}{\f2\fmodern\fcharset238\fprq1 Courier New;}}" "\n"
    r"{\colortbl;\red0\green0\blue0;\red31\green58\blue122;\red223\green230\blue243;}" "\n"
    r"{\stylesheet{\s0\f0\fs22 Normal;}"
    r"{\s1\sb360\sa120\keepn\f1\fs32\b\cf2 heading 1;}"
    r"{\s2\sb240\sa80\keepn\f1\fs26\b\cf2 heading 2;}}" "\n"
)


def rtf_text(s):
    """Plain text as RTF: ASCII as is, the rest as Unicode with a code page 1250 fallback."""
    out = []
    for ch in s:
        code = ord(ch)
        if ch in "\\{}":
            out.append("\\" + ch)
        elif code < 128:
            out.append(ch)
        else:
            try:
                fallback = "\\'%02x" % ch.encode("cp1250")[0]
            except UnicodeEncodeError:
                fallback = "?"
            out.append("\\u%d%s" % (code if code < 32768 else code - 65536, fallback))
    return "".join(out)


def rtf_inline(s):
    """Text with **bold** parts."""
    parts = re.split(r"\*\*(.+?)\*\*", s)
    return "".join(rtf_text(p) if i % 2 == 0 else "{\\b " + rtf_text(p) + "}" for i, p in enumerate(parts))


def table_rtf(rows):
    columns = max(len(r) for r in rows)
    rows = [r + [""] * (columns - len(r)) for r in rows]
    weights = [max(6, min(45, max(len(r[c]) for r in rows))) for c in range(columns)]
    total = sum(weights)
    edges, x = [], 0
    for w in weights:
        x += TEXT_WIDTH * w // total
        edges.append(x)
    edges[-1] = TEXT_WIDTH
    border = r"\clbrdrt\brdrs\brdrw10\clbrdrl\brdrs\brdrw10\clbrdrb\brdrs\brdrw10\clbrdrr\brdrs\brdrw10"
    out = []
    for i, row in enumerate(rows):
        head = i == 0
        line = [r"\trowd\trgaph85\trleft0" + (r"\trhdr" if head else "")]
        for edge in edges:
            line.append(border + (r"\clcbpat3" if head else "") + r"\cellx%d" % edge)
        for cell in row:
            body = rtf_inline(cell.strip())
            line.append(r"\pard\plain\intbl\sa40\f0\fs20 " + ("{\\b " + body + "}" if head else body) + r"\cell")
        line.append(r"\row")
        out.append("".join(line))
    out.append(r"\pard\plain\sa120\f0\fs22\par")
    return "\n".join(out)


def blocks(lines):
    """Groups the source lines into (kind, content) blocks."""
    i = 0
    while i < len(lines):
        line = lines[i]
        if not line.strip():
            i += 1
        elif line.startswith("    "):
            code = []
            while i < len(lines) and (lines[i].startswith("    ") or lines[i].strip() == ""):
                if lines[i].strip() == "" and not (i + 1 < len(lines) and lines[i + 1].startswith("    ")):
                    break
                code.append(lines[i][4:])
                i += 1
            yield "code", code
        elif line.startswith("|"):
            rows = []
            while i < len(lines) and lines[i].startswith("|"):
                rows.append([c for c in lines[i].strip().strip("|").split("|")])
                i += 1
            yield "table", rows
        elif line.startswith("= "):
            yield "title", line[2:]
            i += 1
            if i < len(lines) and lines[i].strip():
                yield "subtitle", lines[i]
                i += 1
        elif line.startswith("## "):
            yield "h2", line[3:]
            i += 1
        elif line.startswith("# "):
            yield "h1", line[2:]
            i += 1
        elif line.startswith("- "):
            yield "bullet", line[2:]
            i += 1
        elif re.match(r"\d+\. ", line):
            number, rest = line.split(" ", 1)
            yield "numbered", (number, rest)
            i += 1
        else:
            para = []
            while i < len(lines) and lines[i].strip() and not re.match(r"(#|- |\||= |    |\d+\. )", lines[i]):
                para.append(lines[i].strip())
                i += 1
            yield "para", " ".join(para)


def make_manual():
    source = (HERE / "Zox_navodila.src.txt").read_text(encoding="utf-8").replace("\r\n", "\n").split("\n")
    title = ""
    body = []
    first_chapter = True
    for kind, content in blocks(source):
        if kind == "title":
            title = content
            body.append(r"\pard\plain\qc\sb2400\sa240\f1\fs48\b\cf2 " + rtf_text(content) + r"\par")
        elif kind == "subtitle":
            body.append(r"\pard\plain\qc\sa1200\f1\fs28\cf2 " + rtf_text(content) + r"\par")
        elif kind == "h1":
            brk = r"\pagebb" if first_chapter else ""
            first_chapter = False
            body.append(r"\pard\plain\s1\sb360\sa120\keepn" + brk + r"\f1\fs32\b\cf2 " + rtf_text(content) + r"\par")
        elif kind == "h2":
            body.append(r"\pard\plain\s2\sb240\sa80\keepn\f1\fs26\b\cf2 " + rtf_text(content) + r"\par")
        elif kind == "bullet":
            body.append(r"\pard\plain\fi-284\li568\sa60\tx568\f0\fs22 \bullet\tab " + rtf_inline(content) + r"\par")
        elif kind == "numbered":
            number, rest = content
            body.append(r"\pard\plain\fi-284\li568\sa60\tx568\f0\fs22 " + rtf_text(number) + r"\tab "
                        + rtf_inline(rest) + r"\par")
        elif kind == "code":
            for n, line in enumerate(content):
                after = r"\sa120" if n == len(content) - 1 else r"\sa0"
                body.append(r"\pard\plain\li568" + after + r"\f2\fs18 " + rtf_text(line) + r"\par")
        elif kind == "table":
            body.append(table_rtf(content))
        else:
            body.append(r"\pard\plain\sa120\f0\fs22 " + rtf_inline(content) + r"\par")
    info = r"{\info{\title " + rtf_text(title) + r"}{\author Zox}}" "\n"
    page = r"\paperw%d\paperh16838\margl%d\margr%d\margt%d\margb%d\widowctrl" % (
        PAGE_WIDTH, MARGIN, MARGIN, MARGIN, MARGIN) + "\n"
    document = HEADER + info + page + "\n".join(body) + "\n}\n"
    write(HERE / "Zox_navodila.doc", document.encode("ascii"))


# ---------------------------------------------------------------- emblem

FONT = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"  # Debian: fonts-dejavu-core
NAVY, GOLD = "#1f3a7a", "#d4a017"


def make_emblem():
    """A shield with the organisers' letters, a mast sending waves, and the band."""
    target = SHARE / "Help" / "emblem.png"
    shield = "M 12,10 L 195,10 L 195,128 Q 195,188 103.5,222 Q 12,188 12,128 Z"
    inner = "M 22,19 L 185,19 L 185,127 Q 185,180 103.5,211 Q 22,180 22,127 Z"
    waves = []
    for radius, half in ((15, 40), (27, 35), (39, 30)):
        waves += ["-draw", "ellipse 103,94 %d,%d %d,%d" % (radius, radius, 180 - half, 180 + half),
                  "-draw", "ellipse 103,94 %d,%d %d,%d" % (radius, radius, -half, half)]
    command = [
        "convert", "-size", "207x230", "xc:white",
        "-fill", NAVY, "-stroke", GOLD, "-strokewidth", "6", "-draw", "path '%s'" % shield,
        "-fill", "none", "-stroke", "white", "-strokewidth", "2", "-draw", "path '%s'" % inner,
        "-stroke", "none", "-fill", "white", "-font", FONT, "-pointsize", "44", "-gravity", "north",
        "-annotate", "+0+22", "NLT",
        "-fill", "none", "-stroke", GOLD, "-strokewidth", "4",
        "-draw", "line 103,94 103,156", "-draw", "line 103,156 90,170", "-draw", "line 103,156 116,170",
        "-fill", GOLD, "-stroke", "none", "-draw", "circle 103,94 103,99",
        "-fill", "none", "-stroke", "white", "-strokewidth", "3", *waves,
        "-stroke", "none", "-fill", GOLD, "-pointsize", "18", "-annotate", "+0+174", "80 m",
        "-depth", "8", "-strip", "png:" + str(target) + ".tmp",
    ]
    subprocess.run(command, check=True)
    pathlib.Path(str(target) + ".tmp").replace(target)


def make_icon():
    """The emblem centred on a transparent square, as desktops want their icons."""
    target = SHARE / "Icons" / "zox.png"
    target.parent.mkdir(exist_ok=True)
    corners = []
    for corner in ("0,0", "206,0", "0,229", "206,229"):  # the white around the shield goes
        corners += ["-draw", "color %s floodfill" % corner]
    subprocess.run(["convert", str(SHARE / "Help" / "emblem.png"), "-alpha", "set", "-fuzz", "4%", "-fill", "none",
                    *corners, "-background", "none", "-gravity", "center",
                    "-resize", "230x230", "-extent", "256x256", "-depth", "8", "-strip",
                    "png:" + str(target) + ".tmp"], check=True)
    pathlib.Path(str(target) + ".tmp").replace(target)


# ---------------------------------------------------------------- common


def write(path, data):
    """Whole or not at all: a temporary file renamed over the old one."""
    tmp = path.with_name(path.name + ".tmp")
    tmp.write_bytes(data)
    tmp.replace(path)
    print("wrote", path.relative_to(SHARE.parent))


def main():
    make_rules()
    make_manual()
    make_emblem()
    make_icon()
    print("wrote", (SHARE / "Help" / "emblem.png").relative_to(SHARE.parent))
    return 0


if __name__ == "__main__":
    sys.exit(main())
