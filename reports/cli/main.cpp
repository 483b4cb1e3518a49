// zox-export: writes the listing, the summary sheet, the ADIF or the Cabrillo
// file of a log with the same code as the program, for scripts and for
// checking a log without opening the program.

#include "app/IniFile.h"
#include "app/UserSettings.h"
#include "app/uGlob.h"
#include "log/uData.h"
#include "reports/AdifExport.h"
#include "reports/CabrilloExport.h"
#include "reports/LogListing.h"
#include "reports/ProFileStream.h"
#include "reports/SummarySheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <exception>

using namespace zox;

namespace {

const char kHelp[] =
    "Usage: zox-export COMMAND LOG OUT\n"
    "Writes a report of the contest log file LOG to the file OUT.\n"
    "\n"
    "Commands:\n"
    "  listing   the paged log listing, one line per QSO\n"
    "  summary   the summary sheet with the score per mode\n"
    "  adif      the ADIF file, one record per QSO\n"
    "  cabrillo  the Cabrillo 3.0 file for the contest's log checker\n"
    "\n"
    "The operator's call sign, own year number and station data come from the\n"
    "program's settings file, Zox.ini in $XDG_CONFIG_HOME (or ~/.config when it\n"
    "is unset), as when the program writes these reports; the listing's title\n"
    "carries the current year. OUT is written in code page 1250 with CR LF line\n"
    "ends and replaces an existing file only once it is complete.\n"
    "\n"
    "The Cabrillo file needs the operator's call sign and own year number\n"
    "(\"User Call\" and \"User Multi\" in Zox.ini). It holds ASCII only: a\n"
    "character outside ASCII (or a blank inside a QSO field) is left out, an\n"
    "empty value is written as \"-\", and each such place is named in a line\n"
    "on standard error; the exit status is still 0. Its claimed score is\n"
    "worked out by the contest's rule from the calls, modes and year numbers\n"
    "in the log.\n"
    "\n"
    "A LOG or OUT given by a bare name (no folder in it) is the program's own, as\n"
    "in the program: the log in its Data folder, the listing and the summary sheet\n"
    "in its Txt folder, the ADIF file in its Adif folder, the Cabrillo file in its\n"
    "Cabrillo folder. These folders are beside the program when it runs from its\n"
    "build folder or a portable copy, and under $XDG_DATA_HOME/zox (or\n"
    "~/.local/share/zox) once it is installed. Write ./NAME for a file in the\n"
    "current folder.\n"
    "\n"
    "LOG must be a log file of the program and must not be open in the program.\n"
    "On any error (LOG missing or not a log, OUT not writable or the log\n"
    "itself, settings file unreadable) a one-line message goes to standard\n"
    "error, OUT is left as it was, and the exit status is 1; a wrong command\n"
    "line gives status 2.\n"
    "\n"
    "  -h, --help   show this text\n";

void error(const QString& text)
{
    // One line, whatever the message holds.
    QString line = text;
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    std::fprintf(stderr, "zox-export: %s\n", line.toLocal8Bit().constData());
}

// Where the Cabrillo file differs from the log, one line each.
void note(const CabrilloNote& n)
{
    const QString where = n.qso == 0 ? n.field : QStringLiteral("QSO %1 %2").arg(n.qso).arg(n.field);
    if (n.leftOut.isEmpty()) {
        error(where + QStringLiteral(": empty, written as \"-\""));
        return;
    }
    error(where + QStringLiteral(": left out \"%1\"").arg(CabrilloVisible(n.leftOut)));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.contains(QStringLiteral("--help")) || args.contains(QStringLiteral("-h"))) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    const QStringList commands{QStringLiteral("listing"), QStringLiteral("summary"), QStringLiteral("adif"),
                               QStringLiteral("cabrillo")};
    if (args.size() != 3 || !commands.contains(args[0])) {
        error(args.isEmpty() || commands.contains(args[0])
                  ? QStringLiteral("expected COMMAND LOG OUT; see zox-export --help")
                  : QStringLiteral("unknown command \"%1\"; see zox-export --help").arg(args[0]));
        return 2;
    }
    const QString command = args[0];
    // The same folders as the program's.
    const FolderRoots roots = ProgramFolderRoots();
    BuildFolderTable(roots.shipped, roots.own);
    PrepareOperatorFolders(roots);  // a folder it cannot make shows as a file it cannot write
    auto place = [](const QString& name, const QString& folder) {
        return QFileInfo(name.contains(u'/') ? name : folder + name).absoluteFilePath();
    };
    const QString log = place(args[1], Dir.Data);
    const QString out = place(args[2], command == QLatin1String("adif")       ? Dir.Adif
                                       : command == QLatin1String("cabrillo") ? Dir.Cabrillo
                                                                              : Dir.Txt);

    try {
        IniFile ini(SettingsFilePath());
        TUserInfo user;
        ReadUserInfo(ini, user);

        if (!QFileInfo(log).isFile()) {
            error(QStringLiteral("%1: no such log file").arg(QDir::toNativeSeparators(log)));
            return 1;
        }
        // The report would take the log's place on disk.
        if (QFileInfo(out).exists() && QFileInfo(out).canonicalFilePath() == QFileInfo(log).canonicalFilePath()) {
            error(QStringLiteral("%1: OUT is the log file itself").arg(QDir::toNativeSeparators(out)));
            return 1;
        }
        if (command == QLatin1String("cabrillo")) {
            // Every QSO line carries them; a checker cannot use the file without.
            if (user.User.Call.trimmed().isEmpty()) {
                error(QStringLiteral("no operator's call sign (\"User Call\" in %1)").arg(QDir::toNativeSeparators(SettingsFilePath())));
                return 1;
            }
            if (user.User.Multi.trimmed().isEmpty()) {
                error(QStringLiteral("no operator's own year number (\"User Multi\" in %1)").arg(QDir::toNativeSeparators(SettingsFilePath())));
                return 1;
            }
        }
        TDataFrm data;
        if (!data.IsLogFile(log)) {
            error(QStringLiteral("%1: not a log file").arg(QDir::toNativeSeparators(log)));
            return 1;
        }
        data.LogTbl.setTableName(log);
        data.LogTbl.open();

        if (command == QLatin1String("listing")) WriteLogListing(data, user, out);
        else if (command == QLatin1String("summary")) SummaryZox(data, user, out);
        else if (command == QLatin1String("adif")) WriteAdif(data, user, out);
        else
            for (const CabrilloNote& n : WriteCabrillo(data, user, out).notes) note(n);
        data.LogTbl.close();
    } catch (const storage::EngineError& e) {
        error(e.text());  // names the file and says what the engine found
        return 1;
    } catch (const std::exception& e) {
        error(QString::fromStdString(e.what()));
        return 1;
    }
    return 0;
}
