#pragma once
// A real main window over a fresh program folder and settings folder.
#include "app/uGlob.h"
#include "log/uData.h"
#include "ui/base/ScriptedDialogs.h"
#include "ui/uMainZox.h"

#include <QtWidgets>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace zox::test {

struct Window {
    QTemporaryDir root;
    ScriptedDialogs dlg;
    std::unique_ptr<TMainFrm> w;

    explicit Window(const QList<std::pair<QString, QString>>& letnice = {{"Q5ABC", "55"}, {"Q1AAA", "69"}})
    {
        QDir(root.path()).mkpath("prog/Data");
        QDir(root.path()).mkpath("config");
        qputenv("XDG_CONFIG_HOME", root.filePath("config").toUtf8());
        ResetGlobals();
        BuildFolderTable(root.filePath("prog"));
        const QString list = Dir.Data + "S5_Letnice.dat";
        TDataFrm::CreateLetniceTable(list);
        Table t;
        t.setTableName(list);
        t.open();
        for (auto& [call, year] : letnice) {
            t.insert();
            t.setField("Znak", call);
            t.setField("Letnica", year);
            t.post();
        }
        t.close();
        w = std::make_unique<TMainFrm>();
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        w->activateWindow();
    }
    ~Window()
    {
        if (w) w->close();
        w.reset();
    }

    QString logPath(const QString& name = "test.DAT") const { return Dir.Data + name; }
    // "Datoteka" > "Nova" with the dialog answered.
    void newLog(const QString& path)
    {
        dlg.answerFile(path);
        w->Nova1->trigger();
    }
    void openLog(const QString& path)
    {
        dlg.answerFile(path);
        w->Odpri1->trigger();
    }
    // Types a contact into the entry line the way an operator does and presses Enter.
    void enter(const QString& call, const QString& multi = QString(), const QString& time = QString())
    {
        if (!time.isEmpty()) {
            w->edUtc->setFocus();
            w->edUtc->selectAll();
            QTest::keyClicks(w->edUtc, time);
        }
        w->edCall->setFocus();
        QTest::keyClicks(w->edCall, call);
        QTest::keyClick(w->edCall, Qt::Key_Tab);  // moving on fills the year number from the list
        if (!multi.isNull()) {
            w->edHisMulti->selectAll();
            QTest::keyClicks(w->edHisMulti, multi);
        }
        QTest::keyClick(w->edHisMulti, Qt::Key_Return);
    }
    QStringList scoreLabels() const
    {
        return {w->lblCwTocke->text(), w->lblCwMulti->text(), w->lblSsbTocke->text(), w->lblSsbMulti->text(),
                w->lblSkpTocke->text(), w->lblSkpMnoz->text(), w->lblRezultat->text()};
    }
    QStringList rateLabels() const { return {w->lblPrvaUra->text(), w->lblDrugaUra->text(), w->lblPovprecje->text()}; }
    QString status() const { return w->statusBar()->currentMessage(); }
    void setMode(int index)
    {
        w->cbMode->setCurrentIndex(index);
        emit w->cbMode->activated(index);
    }
};

}  // namespace zox::test
