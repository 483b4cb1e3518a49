#pragma once
// CW sent by the radio's own keyer: its speed in words per minute, and how
// long a text takes there, for radios that cannot say when they are done.

#include <QString>

namespace zox {

// The keyer's speed number as words per minute: the radio keys at the
// program's own keyer's pace, a dot of 5500 div speed ms, a word of 50 dots.
int WpmFromKeyerSpeed(int speed);

// The text as it goes to a radio's keyer: upper case, and only the signs
// radios know (letters, digits, the usual punctuation) and spaces.
QString RadioMorseText(const QString& text);

// Milliseconds the text takes in standard timing at wpm: a dot of 1200/wpm
// ms, gaps of 1 inside a character, 3 between characters and 7 for a space.
// It ends with its last element, or with the silence of trailing spaces.
// Signs a radio does not know are skipped, as RadioMorseText drops them.
qint64 NominalMorseMs(const QString& text, int wpm);

}  // namespace zox
