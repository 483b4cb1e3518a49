#pragma once
// Starting external programs (the text editor, the word processor) and the menu
// commands that hand the rules, the manual and the two report files to them.

#include <QString>
#include <QStringList>

#include <functional>

namespace zox {

// Results of RunProgram: more than 32 means the program was started.
constexpr int kRunStarted = 33;
constexpr int kRunFileNotFound = 2;  // no such program
constexpr int kRunPathNotFound = 3;  // the working folder does not exist
constexpr int kRunFailed = 5;        // found, but the system would not start it

// Show modes: 0 normal window, 1 minimised, 2 maximised.
enum TShowMode { swNormal = 0, swMinimized = 1, swMaximized = 2 };

// Finds an installed program by name; returns its full path, or empty when it is not
// installed. The default searches PATH.
using ProgramLookup = std::function<QString(const QString& name)>;
void SetProgramLookup(ProgramLookup lookup);  // empty function: back to the PATH search
QString FindProgram(const QString& name);

// What a program name stands for on this desktop, in order of preference. "Notepad.exe"
// is the text editor and "WinWord.exe" the word processor (either name in any letter
// case, with or without ".exe"); any other name stands for itself. Each entry is a
// program followed by the arguments that go before the file.
QList<QStringList> ProgramCandidates(const QString& program);

// The program and arguments RunProgram would start: the first installed candidate,
// with `params` appended as one argument when it is not empty. Empty when none is
// installed.
QStringList ResolveProgram(const QString& program, const QString& params);

// Starts `program` with `params` as its one argument, in `folder` (the current folder
// when empty), without waiting for it and never through a shell. The desktop decides
// the window state, so `showMode` is accepted but has no effect. Returns kRunStarted,
// or a number of 32 or less when the program was not started.
int RunProgram(const QString& program, const QString& params, const QString& folder, int showMode);

// Menu commands. The code page 1250 files open in the program's own text window (a
// desktop editor would take them for UTF-8); the manual goes to the word processor.
// Each shows an information message when its file or program is not found.
void Pravila1Click();                    // "Pomoč" > "ZOX pravila": Dir.Rules + "Zox_rules.txt"
void Navodila1Click();                   // "Pomoč" > "Navodila za uporabo": the manual in the word processor
void Uredi2Click(const QString& call);   // "Urejanje" > "Log" > "Uredi": the listing, ListingPath(call)
void Uredi1Click(const QString& call);   // "Urejanje" > "Zbirni list" > "Uredi": the sheet, SummaryPath(call)

}  // namespace zox
