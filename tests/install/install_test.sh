#!/usr/bin/env bash
# The install as a user meets it: `cmake --install` into a temporary prefix, the
# installed program started with a temporary home on the offscreen platform and
# worked through its menus (a log created, a listing written, the help opened).
# Everything it writes lands under the home's data folder; nothing under the prefix.
# Usage: install_test.sh BUILD_DIR DRIVER_LIBRARY
set -euo pipefail
build=$1
driver=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
home=$work/home
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" > "$work/install.log" || { cat "$work/install.log"; fail "cmake --install"; }

# What is installed where.
for f in bin/zox bin/zox-export bin/zox-keyer-wav bin/zox-make-letnice \
         share/zox/Data/S5_Letnice.dat share/zox/Help/Zox/index.html share/zox/Help/Keyer/index.html \
         share/zox/Help/emblem.png share/zox/Wav/73.wav share/zox/Rules/Zox_rules.txt \
         share/zox/Manual/Zox_navodila.doc \
         share/applications/zox.desktop share/icons/hicolor/256x256/apps/zox.png; do
  [ -s "$prefix/$f" ] || fail "missing $f"
done
[ -x "$prefix/bin/zox" ] || fail "bin/zox is not executable"
[ -z "$(find "$prefix/share/zox/Manual" -name '*.src.txt' -o -name '*.py')" ] || fail "document sources installed"
desktop-file-validate "$prefix/share/applications/zox.desktop" || fail "desktop-file-validate"
grep -qx 'Categories=Network;HamRadio;' "$prefix/share/applications/zox.desktop" || fail "not in HamRadio"
grep -qx 'Exec=zox' "$prefix/share/applications/zox.desktop" || fail "Exec"
grep -qx 'Icon=zox' "$prefix/share/applications/zox.desktop" || fail "Icon"

# The prefix as installed, to compare after the run.
snapshot() { (cd "$prefix" && find . -printf '%p %s %T@ %m\n' | sort); }
snapshot > "$work/before"
chmod -R a-w "$prefix"  # as under /usr: nothing there may be written

mkdir -p "$home"
export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config QT_QPA_PLATFORM=offscreen
unset XDG_RUNTIME_DIR
# In the sanitizer build the driver comes before the sanitizer's runtime.
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
ZOX_DRIVER_REPORT=$work/report timeout 60 env LD_PRELOAD="$driver" "$prefix/bin/zox" > "$work/run.log" 2>&1 \
  || { cat "$work/run.log" "$work/report" 2>/dev/null; fail "the installed program did not finish its run"; }
cat "$work/report"
grep -qx 'result=done' "$work/report" || fail "the run did not finish"

own=$XDG_DATA_HOME/zox
grep -qx "logdialog.title=Odpri" "$work/report" || fail "the log dialog's title is not Slovene"
grep -qx "logdialog.folder=$own/Data" "$work/report" || fail "the log dialog does not start in $own/Data"
grep -qx "log=$own/Data/contest.DAT" "$work/report" || fail "the log is not under $own/Data"
[ -s "$own/Data/contest.DAT" ] || fail "no log file"
[ "$(head -c 15 "$own/Data/contest.DAT")" = "SQLite format 3" ] || fail "the log is not a log"
[ -s "$own/Txt/X9XX.txt" ] || fail "no listing in $own/Txt"
for d in Data Txt Adif Cabrillo; do [ -d "$own/$d" ] || fail "no folder $own/$d"; done
cmp -s "$own/Data/S5_Letnice.dat" "$prefix/share/zox/Data/S5_Letnice.dat" || fail "year-number list not copied"
[ -w "$own/Data/S5_Letnice.dat" ] || fail "the copied list cannot be edited"
grep -qx "help.page=$prefix/share/zox/Help/Zox/index.html" "$work/report" || fail "the shipped help did not open"
grep -q '^help.title=..*' "$work/report" || fail "the help page has no title"
[ -s "$XDG_CONFIG_HOME/Zox.ini" ] || fail "no settings file"

# zox-export follows the same rule: bare names are the program's own files.
"$prefix/bin/zox-export" summary contest.DAT X9XX.sum || fail "zox-export"
[ -s "$own/Txt/X9XX.sum" ] || fail "zox-export did not write to $own/Txt"

chmod -R u+w "$prefix"
snapshot > "$work/after"
diff "$work/before" "$work/after" || fail "something was written under the prefix"
# Nothing else in the home but the data and the settings.
extra=$(cd "$home" && find . -mindepth 1 -maxdepth 1 ! -name data ! -name config)
[ -z "$extra" ] || fail "written in the home: $extra"
echo "install test passed"
