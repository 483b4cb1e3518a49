// zox-export: writes the listing, the summary sheet or the ADIF file of a log
// with the same code as the program, for scripts and for checking a log
// without opening the program.

#include "app/IniFile.h"
#include "app/UserSettings.h"
#include "app/uGlob.h"
#include "log/uData.h"
#include "reports/AdifExport.h"
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
    "\n"
    "The operator's call sign, own year number and station data come from the\n"
    "program's settings file, Zox.ini in $XDG_CONFIG_HOME (or ~/.config when it\n"
    "is unset), as when the program writes these reports; the listing's title\n"
    "carries the current year. OUT is written in code page 1250 with CR LF line\n"
    "ends and replaces an existing file only once it is complete.\n"
    "\n"
    "A LOG or OUT given by a bare name (no folder in it) is the program's own, as\n"
    "in the program: the log in its Data folder, the listing and the summary sheet\n"
    "in its Txt folder, the ADIF file in its Adif folder. These folders are beside\n"
    "the program when it runs from its build folder or a portable copy, and under\n"
    "$XDG_DATA_HOME/zox (or ~/.local/share/zox) once it is installed. Write ./NAME\n"
    "for a file in the current folder.\n"
    "\n"
    "LOG must be a log file of the program and must not be open in the program.\n"
    "On any error (LOG missing or not a log, OUT not writable, settings file\n"
    "unreadable) a one-line message goes to standard error, OUT is left as it\n"
    "was, and the exit status is 1; a wrong command line gives status 2.\n"
    "\n"
    "  -h, --help   show this text\n";

void error(const QString& text)
{
    // One line, whatever the message holds.
    QString line = text;
    line.replace(u'\n', u' ').replace(u'\r', u' ');
    std::fprintf(stderr, "zox-export: %s\n", line.toLocal8Bit().constData());
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
    const QStringList commands{QStringLiteral("listing"), QStringLiteral("summary"), QStringLiteral("adif")};
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
    const QString out = place(args[2], command == QLatin1String("adif") ? Dir.Adif : Dir.Txt);

    try {
        IniFile ini(SettingsFilePath());
        TUserInfo user;
        ReadUserInfo(ini, user);

        if (!QFileInfo(log).isFile()) {
            error(QStringLiteral("%1: no such log file").arg(QDir::toNativeSeparators(log)));
            return 1;
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
        else WriteAdif(data, user, out);
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
