// Browsing, correcting, deleting and finding contacts.
#include "app/uGlob.h"
#include "log/uData.h"
#include "storage/Table.h"
#include "ui/base/Dialogs.h"
#include "ui/uMainZox.h"

#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QLineEdit>
#include <QToolButton>

namespace zox {

void TMainFrm::EditQso()
{
    Guarded([this] {
        if (!RequireLog() || !Data.LogTbl.hasRecord()) return;
        LoadEntry(Session.BeginCorrection(Data.LogTbl.recordId()));
    });
}

// Shows a stored QSO in the entry line. While it is corrected, typing makes no
// searches and moving into the year number keeps the stored one.
void TMainFrm::LoadEntry(const Contact& c)
{
    edDate->setDate(c.date);
    edUtc->setText(c.utc.isValid() ? c.utc.toString("HH:mm:ss") : QString());
    const int mode = c.mode == "CW" ? 0 : 1;
    cbMode->setCurrentIndex(mode);
    cbModeChange(mode);
    const int band = cbBand->findText(c.band);
    cbBand->setCurrentIndex(band >= 0 ? band : 0);
    edRstS->setText(c.rstS);
    edRstR->setText(c.rstR);
    edCall->setText(c.call);
    edHisMulti->setText(c.multiR);
    DupeMark = false;
    NewMulti = false;
    ShowInfo(0);
}

void TMainFrm::DeleteQso()
{
    Guarded([this] {
        if (!RequireLog() || !Data.LogTbl.hasRecord()) return;
        Table& t = Data.LogTbl;
        const qint64 vexa = t.recordId();
        if (ShowMessageDlg("Zveza " + t.field("Call").toString() + " bo izbrisana !", mtWarning, mbYesNo) != mrYes)
            return;
        RemoveQso(vexa);
    });
}

void TMainFrm::RemoveQso(qint64 vexa)
{
    const bool loaded = Session.CorrectionId() == vexa;
    Session.Delete(vexa);
    // The line held the QSO that is gone: saving it would bring it back as a new one.
    if (loaded) ClearEntry();
    ShowFigures();
}

void TMainFrm::FindCall()
{
    Guarded([this] {
        if (!RequireLog()) return;
        QString call;
        if (!AskText("Najdi znak", "Vpiši znak", call, 1)) return;
        Data.LogTbl.locate("Call", {call});
    });
}

}  // namespace zox
