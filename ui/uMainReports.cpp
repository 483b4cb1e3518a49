// The report commands of the main window: listing, summary sheet, ADIF and
// Cabrillo export.
#include "app/TimeBase.h"
#include "app/uGlob.h"
#include "log/uData.h"
#include "reports/AdifExport.h"
#include "reports/CabrilloExport.h"
#include "reports/LogListing.h"
#include "reports/SummarySheet.h"
#include "ui/base/Dialogs.h"
#include "ui/uMainZox.h"
#include "ui/uUserDlg.h"

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>

namespace zox {

namespace {
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};
}  // namespace

bool TMainFrm::RequireLog()
{
    if (LogOpen) return true;
    ShowMessageDlg(LogDialogPath + " Datoteka ni odprta !", mtWarning, mbOK);
    return false;
}

void TMainFrm::Kreiraj2Click()
{
    Guarded([this] {
        if (!RequireLog()) return;
        QString call = UserInfo.User.Call;
        if (call.isEmpty() && !AskText("Znak", "Vpiši znak", call, 1)) return;
        WaitCursor wait;
        WriteLogListing(Data, UserInfo, ListingPath(call), CurrentYearText());
    });
}

void TMainFrm::Kreiraj1Click()
{
    Guarded([this] {
        if (!RequireLog()) return;
        WaitCursor wait;
        SummaryZox(Data, UserInfo, SummaryPath(UserInfo.User.Call));
    });
}

// Writing a report there would put the file in the log's place: refused, with the warning.
bool TMainFrm::IsOpenLog(const QString& path)
{
    const QFileInfo target(path);
    if (!target.exists() || target.canonicalFilePath() != QFileInfo(Session.LogPath()).canonicalFilePath()) return false;
    ShowMessageDlg("Datoteka " + target.fileName() + " je odprti dnevnik !", mtWarning, mbOK);
    return true;
}

void TMainFrm::Adif1Click()
{
    Guarded([this] {
        if (!RequireLog()) return;
        const QString chosen =
            Dialogs().fileName(this, "Kreiraj novo Adif datoteko", Dir.Adif, "Adif files(*.adi)|*.adi", false, false);
        if (chosen.isEmpty()) return;
        WaitCursor wait;
        const QString path = AdifFileName(chosen);
        if (IsOpenLog(path)) return;
        if (QFileInfo::exists(path) && Dialogs().standardQuestion(QApplication::applicationName(), AdifOverwriteQuestion(path)) != mrYes)
            return;
        WriteAdif(Data, UserInfo, path);
    });
}

namespace {

bool hasOwnCallAndYear()
{
    return !UserInfo.User.Call.trimmed().isEmpty() && !UserInfo.User.Multi.trimmed().isEmpty();
}

// Every QSO line carries the own call and year number: without them the
// operator dialog comes first, at the field that is missing.
bool askOwnCallAndYear(QWidget* parent)
{
    TUserDlgFrm dlg(parent);
    dlg.loadFrom(UserInfo);
    (UserInfo.User.Call.trimmed().isEmpty() ? dlg.edCall : dlg.edMulti)->setFocus();
    if (dlg.exec() != QDialog::Accepted) return false;
    dlg.storeTo(UserInfo);
    return true;
}

QString fieldName(const QString& field)
{
    static const QHash<QString, QString> names{
        {"Date", "datum"},           {"Utc", "čas"},
        {"Mode", "vrsta oddaje"},    {"Call", "znak"},
        {"RstS", "oddani raport"},   {"RstR", "sprejeti raport"},
        {"MultiR", "letnica"},       {"Multi", "lastni množitelj"},
    };
    return names.value(field, field);  // a header tag stays as it is in the file
}

// The message that ends the export: what was written, and where the file
// differs from the log.
QString cabrilloMessage(const QString& path, const CabrilloResult& r)
{
    QString text = QStringLiteral("Cabrillo datoteka %1 je zapisana.\nZveze: %2, rezultat: %3.")
                       .arg(QFileInfo(path).fileName())
                       .arg(r.qsos)
                       .arg(r.claimedScore);
    constexpr int kShown = 10;
    const auto list = [&](const QString& title, bool leftOut) {
        QStringList lines;
        for (const CabrilloNote& n : r.notes) {
            if (n.leftOut.isEmpty() == leftOut) continue;
            QString line = n.qso ? QStringLiteral("zveza %1, %2").arg(n.qso).arg(fieldName(n.field)) : fieldName(n.field);
            if (leftOut) line += QStringLiteral(": \"") + CabrilloVisible(n.leftOut) + u'"';
            lines << line;
        }
        if (lines.isEmpty()) return;
        const qsizetype more = lines.size() - kShown;
        if (more > 0) lines = lines.mid(0, kShown) << QStringLiteral("in še %1").arg(more);
        text += QStringLiteral("\n\n") + title + u'\n' + lines.join(u'\n');
    };
    list(QStringLiteral("Izpuščeni znaki (datoteka sme imeti le znake ASCII):"), true);
    list(QStringLiteral("Prazno, v datoteki zapisano \"-\":"), false);
    return text;
}

}  // namespace

void TMainFrm::Cabrillo1Click()
{
    Guarded([this] {
        if (!RequireLog()) return;
        if (!hasOwnCallAndYear()) {
            if (!askOwnCallAndYear(this)) return;
            edMyMulti->setText(UserInfo.User.Multi);
            if (!hasOwnCallAndYear()) {
                ShowMessageDlg("Brez svojega znaka in svojega množitelja ne morem zapisati Cabrillo datoteke !", mtWarning, mbOK);
                return;
            }
        }
        const QString chosen = Dialogs().fileName(this, "Kreiraj Cabrillo datoteko", Dir.Cabrillo,
                                                  "Cabrillo (*.log *.cbr)|*.log;*.cbr", false, false);
        if (chosen.isEmpty()) return;
        const QString path = CabrilloFileName(chosen);
        const QFileInfo target(path);
        if (IsOpenLog(path)) return;
        CabrilloResult result;
        {
            WaitCursor wait;
            if (target.exists() && Dialogs().standardQuestion(QApplication::applicationName(), AdifOverwriteQuestion(path)) != mrYes)
                return;
            result = WriteCabrillo(Data, UserInfo, path);
        }
        ShowMessageDlg(cabrilloMessage(path, result), result.notes.isEmpty() ? mtInformation : mtWarning, mbOK);
    });
}

}  // namespace zox
