// The report commands of the main window: listing, summary sheet, ADIF export.
#include "app/TimeBase.h"
#include "app/uGlob.h"
#include "log/uData.h"
#include "reports/AdifExport.h"
#include "reports/LogListing.h"
#include "reports/SummarySheet.h"
#include "ui/base/Dialogs.h"
#include "ui/uMainZox.h"

#include <QApplication>
#include <QFileInfo>

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

void TMainFrm::Adif1Click()
{
    Guarded([this] {
        if (!RequireLog()) return;
        const QString chosen =
            Dialogs().fileName(this, "Kreiraj novo Adif datoteko", Dir.Adif, "Adif files(*.adi)|*.adi", false, false);
        if (chosen.isEmpty()) return;
        WaitCursor wait;
        const QString path = AdifFileName(chosen);
        if (QFileInfo::exists(path) && Dialogs().standardQuestion(QApplication::applicationName(), AdifOverwriteQuestion(path)) != mrYes)
            return;
        WriteAdif(Data, UserInfo, path);
    });
}

}  // namespace zox
