#include "ui/ProUtils.h"

#include "app/uGlob.h"
#include "reports/LogListing.h"
#include "reports/SummarySheet.h"
#include "ui/base/Dialogs.h"
#include "ui/TextEditorWnd.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

namespace zox {

namespace {

ProgramLookup& Lookup()
{
    static ProgramLookup lookup;
    return lookup;
}

// "Notepad.exe", "notepad", "NOTEPAD.EXE" all name the same program.
QString BareName(const QString& program)
{
    QString name = program.trimmed().toLower();
    if (name.endsWith(QLatin1String(".exe"))) name.chop(4);
    return name;
}

const QList<QStringList>& TextEditors()
{
    static const QList<QStringList> list{{"gedit"},    {"gnome-text-editor"}, {"kate"},    {"mousepad"},
                                         {"pluma"},    {"xed"},               {"leafpad"}, {"xdg-open"}};
    return list;
}

const QList<QStringList>& WordProcessors()
{
    static const QList<QStringList> list{{"libreoffice", "--writer"}, {"lowriter"}, {"abiword"}, {"xdg-open"}};
    return list;
}

// The full path of a program given by name or by path; empty when there is none.
QString Locate(const QString& program)
{
    if (program.contains('/')) {
        const QFileInfo f(program);
        return f.isFile() && f.isExecutable() ? f.absoluteFilePath() : QString();
    }
    return FindProgram(program);
}

void ShowNotFound(const QString& text) { ShowMessageDlg(text, mtInformation, mbOK); }

}  // namespace

void SetProgramLookup(ProgramLookup lookup) { Lookup() = std::move(lookup); }

QString FindProgram(const QString& name)
{
    if (name.isEmpty()) return {};
    if (Lookup()) return Lookup()(name);
    return QStandardPaths::findExecutable(name);
}

QList<QStringList> ProgramCandidates(const QString& program)
{
    const QString name = BareName(program);
    if (name == QLatin1String("notepad")) return TextEditors();
    if (name == QLatin1String("winword")) return WordProcessors();
    if (program.trimmed().isEmpty()) return {};
    return {{program.trimmed()}};
}

QStringList ResolveProgram(const QString& program, const QString& params)
{
    for (const QStringList& candidate : ProgramCandidates(program)) {
        const QString path = Locate(candidate.first());
        if (path.isEmpty()) continue;
        QStringList command = candidate;
        command.first() = path;
        // The parameters are one file name: blanks in it must not split it.
        if (!params.isEmpty()) command << params;
        return command;
    }
    return {};
}

int RunProgram(const QString& program, const QString& params, const QString& folder, int /*showMode*/)
{
    const QStringList command = ResolveProgram(program, params);
    if (command.isEmpty()) return kRunFileNotFound;
    if (!folder.isEmpty() && !QFileInfo(folder).isDir()) return kRunPathNotFound;

    QProcess process;
    process.setProgram(command.first());
    process.setArguments(command.mid(1));
    if (!folder.isEmpty()) process.setWorkingDirectory(folder);
    // What the started program writes is none of our business.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached() ? kRunStarted : kRunFailed;
}

void Pravila1Click() { EditTextFile(Dir.Rules + QStringLiteral("Zox_rules.txt"), QStringLiteral("Ne najdem !")); }

void Navodila1Click()
{
    if (RunProgram(QStringLiteral("WinWord.exe"), QStringLiteral("Zox_navodila.doc"), Dir.Prog + "Manual",
                   swNormal) <= 32)
        ShowNotFound(QStringLiteral("Ne najdem !"));
}

void Uredi2Click(const QString& call) { EditTextFile(ListingPath(call), QStringLiteral("Ne najdem")); }

void Uredi1Click(const QString& call) { EditTextFile(SummaryPath(call), QStringLiteral("Ne najdem !")); }

}  // namespace zox
