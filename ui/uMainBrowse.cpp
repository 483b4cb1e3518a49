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
        EditMode = true;
        EditVexa = Data.LogTbl.recordId();
        LoadEntry();
    });
}

void TMainFrm::LoadEntry()
{
    Table& t = Data.LogTbl;
    m_editOld = {t.field("Mode").toString(), t.field("Point"), t.field("MultiP"), t.field("Utc"),
                 t.field("MultiR").toString()};
    edDate->setDate(t.field("Date").toDate());
    edUtc->setText(t.displayText("Utc"));
    const int mode = t.field("Mode").toString() == "CW" ? 0 : 1;
    cbMode->setCurrentIndex(mode);
    cbModeChange(mode);
    const int band = cbBand->findText(t.field("Band").toString());
    cbBand->setCurrentIndex(band >= 0 ? band : 0);
    edRstS->setText(t.field("RstS").toString());
    edRstR->setText(t.field("RstR").toString());
    edCall->setText(t.field("Call").toString());
    edHisMulti->setText(t.field("MultiR").toString());
}

bool TMainFrm::ScoreCorrection()
{
    const QString call = edCall->text();
    const QString mode = cbMode->currentText();
    const QString multi = edHisMulti->text();
    // Against the other QSOs of the log, never against itself.
    const bool dupe = call.size() >= 4 && Data.LogTbl1.locate("Call;Mode", {call, mode}, EditVexa);
    QsoPoints = dupe ? 0 : (mode == "CW" ? 2 : 1);
    if (mode == m_editOld.mode && multi == m_editOld.multiR) NewMulti = !m_editOld.multiP.isNull();
    else NewMulti = multi.size() == 2 && !Data.LogTbl2.locate("Mode;MultiR", {mode, multi}, EditVexa);
    return true;
}

void TMainFrm::DeleteQso()
{
    Guarded([this] {
        if (!RequireLog() || !Data.LogTbl.hasRecord()) return;
        Table& t = Data.LogTbl;
        if (ShowMessageDlg("Zveza " + t.field("Call").toString() + " bo izbrisana !", mtWarning, mbYesNo) != mrYes)
            return;
        const QVariant utc = t.field("Utc");
        ScoreTotals after = Score;
        after.Count(t.field("Mode").toString(), t.field("Point"), t.field("MultiP"), -1);
        t.deleteRecord();
        // Only once it is gone does it leave the totals and its hour.
        Score = after;
        ShowScore();
        (IsFirstHour(utc) ? Rates.PrvaUra : Rates.DrugaUra) -= 1;
        ShowRates(Rates.Povprecje(), Rates.DrugaUra, Rates.PrvaUra);
        ShowQsoCount();
    });
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
