#include "rig/RigMorse.h"

#include <algorithm>
#include <cmath>

namespace zox {

namespace {

// The codes radios' keyers know: letters, digits and the usual signs.
const char* CodeOf(QChar c)
{
    switch (c.toUpper().unicode()) {
    case 'A': return ".-";
    case 'B': return "-...";
    case 'C': return "-.-.";
    case 'D': return "-..";
    case 'E': return ".";
    case 'F': return "..-.";
    case 'G': return "--.";
    case 'H': return "....";
    case 'I': return "..";
    case 'J': return ".---";
    case 'K': return "-.-";
    case 'L': return ".-..";
    case 'M': return "--";
    case 'N': return "-.";
    case 'O': return "---";
    case 'P': return ".--.";
    case 'Q': return "--.-";
    case 'R': return ".-.";
    case 'S': return "...";
    case 'T': return "-";
    case 'U': return "..-";
    case 'V': return "...-";
    case 'W': return ".--";
    case 'X': return "-..-";
    case 'Y': return "-.--";
    case 'Z': return "--..";
    case '0': return "-----";
    case '1': return ".----";
    case '2': return "..---";
    case '3': return "...--";
    case '4': return "....-";
    case '5': return ".....";
    case '6': return "-....";
    case '7': return "--...";
    case '8': return "---..";
    case '9': return "----.";
    case '.': return ".-.-.-";
    case ',': return "--..--";
    case '?': return "..--..";
    case '\'': return ".----.";
    case '!': return "-.-.--";
    case '/': return "-..-.";
    case '(': return "-.--.";
    case ')': return "-.--.-";
    case '&': return ".-...";
    case ':': return "---...";
    case ';': return "-.-.-.";
    case '=': return "-...-";
    case '+': return ".-.-.";
    case '-': return "-....-";
    case '"': return ".-..-.";
    case '@': return ".--.-.";
    default: return nullptr;
    }
}

int UnitsOf(const char* code)
{
    int units = 0;
    for (const char* p = code; *p; ++p) units += (*p == '-' ? 3 : 1) + (p == code ? 0 : 1);
    return units;
}

}  // namespace

int WpmFromKeyerSpeed(int speed)
{
    const int dotMs = 5500 / std::max(1, speed);
    return std::max(1, int(std::lround(1200.0 / dotMs)));
}

QString RadioMorseText(const QString& text)
{
    QString out;
    for (QChar c : text)
        if (c == ' ' || CodeOf(c)) out += c.toUpper();
    return out;
}

qint64 NominalMorseMs(const QString& text, int wpm)
{
    if (wpm <= 0) return 0;
    qint64 units = 0;
    int gap = 0;  // the silence owed before the next character
    for (QChar c : text) {
        if (c == ' ') {
            gap = (gap == 3 ? 7 : gap + 7);  // a space widens the gap after a character to a word's
            continue;
        }
        const char* code = CodeOf(c);
        if (!code) continue;
        units += gap + UnitsOf(code);
        gap = 3;
    }
    if (gap != 3) units += gap;  // trailing spaces are silence the radio sends
    return units * 1200 / wpm;
}

}  // namespace zox
