// The main window's whole command map: the menu tree with its separators and
// keys, the toolbars with their hints, which commands are usable in which state,
// and that every menu item, button and key reaches its command.
#include "WindowFixture.h"

#include "app/uGlob.h"
#include "keyer/CwKeyer.h"
#include "keyer/Macros.h"
#include "keyer/PortRecorder.h"
#include "keyer/zlportio.h"
#include "letnice/uMultiWnd.h"
#include "ui/HelpViewer.h"
#include "ui/ProUtils.h"
#include "ui/TextEditorWnd.h"
#include "ui/uClock.h"

#include <QActionGroup>
#include <QContextMenuEvent>
#include <QDialog>
#include <QFile>
#include <QMap>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSpinBox>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include <functional>

using namespace zox;
using zox::test::Window;
using Q = ScriptedDialogs::Question;

namespace {

QString plain(QString text) { return text.remove('&'); }

// One line per entry: "-" for a separator, "Name >" for a submenu, then the
// entry's key and whether it carries a check mark or a radio mark.
QStringList describe(const QList<QAction*>& actions)
{
    QStringList lines;
    for (QAction* a : actions) {
        if (a->isSeparator()) {
            lines << "-";
            continue;
        }
        QString line = plain(a->text());
        if (a->menu()) line += " >";
        if (!a->shortcut().isEmpty()) line += "  " + a->shortcut().toString(QKeySequence::PortableText);
        if (a->isCheckable())
            line += a->actionGroup() && a->actionGroup()->isExclusive() ? "  (radio)" : "  (check)";
        lines << line;
    }
    return lines;
}

// The entries along a menu path from the menu bar; empty when the path breaks off.
QList<QAction*> alongPath(QMainWindow* w, const QStringList& path)
{
    QList<QAction*> chain;
    QList<QAction*> level = w->menuBar()->actions();
    for (const QString& name : path) {
        QAction* found = nullptr;
        for (QAction* a : level)
            if (!a->isSeparator() && plain(a->text()) == name) {
                found = a;
                break;
            }
        if (!found) return {};
        chain << found;
        level = found->menu() ? found->menu()->actions() : QList<QAction*>{};
    }
    return chain;
}

// Every item that runs a command, with its path.
void collectItems(const QList<QAction*>& level, const QStringList& path, QList<QStringList>& out)
{
    for (QAction* a : level) {
        if (a->isSeparator()) continue;
        const QStringList here = path + QStringList{plain(a->text())};
        if (a->menu()) collectItems(a->menu()->actions(), here, out);
        else out << here;
    }
}

bool usable(const QList<QAction*>& chain)
{
    for (QAction* a : chain)
        if (!a->isEnabled()) return false;
    return !chain.isEmpty();
}

const QStringList kOrdinals{"Prvi", "Drugi", "Tretji", "Četrti", "Peti", "Šesti", "Sedmi", "Osmi"};

TRecordingPortDevice* gPort = nullptr;  // the parallel port, for Tune

// A window over its own program folder, with what the commands reach made observable.
struct Fx {
    Window t;
    TMainFrm* w = t.w.get();
    QStringList sent;  // texts the memory keys handed to the keyer
    struct {
        int count = 0;
        QString title, className, helpFile;  // the help file current while it was open
    } modal;
    QString startedLog;
    QObject guard;  // owns this case's timers; goes first

    Fx()
    {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w));
        for (const QString& folder : {Dir.Txt, Dir.Rules, Dir.Adif, Dir.Prog + "Manual"}) QDir().mkpath(folder);
        // Nothing is keyed for real: the sent texts are only noted.
        w->Sender->Hooks().SendText = [this](const QString& text, std::function<void()> done) {
            sent << text;
            if (done) done();
        };
    }
    ~Fx() { SetProgramLookup({}); }

    QString fresh() const { return t.logPath("fresh.DAT"); }
    QString existing() const { return t.logPath("existing.DAT"); }
    QString currentCall() const { return w->Data.LogTbl.field("Call").toString(); }

    // Chooses a menu item as the operator does: each menu on the way opens first.
    void choose(const QStringList& path)
    {
        const QList<QAction*> chain = alongPath(w, path);
        QVERIFY2(chain.size() == path.size(), qPrintable("no menu item " + path.join(" > ")));
        for (int i = 0; i + 1 < chain.size(); ++i) emit chain[i]->menu()->aboutToShow();
        QVERIFY2(usable(chain), qPrintable(path.join(" > ") + " is disabled"));
        chain.last()->trigger();
    }
    void key(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QWidget* target = QApplication::focusWidget();
        QTest::keyClick(target ? target : w->edCall, k, mods);
    }
    void openTaster() { emit w->Taster->aboutToShow(); }

    // The next modal window is noted and closed as soon as it shows.
    void closeNextModal()
    {
        auto* timer = new QTimer(&guard);
        timer->setInterval(10);
        QObject::connect(timer, &QTimer::timeout, timer, [this, timer] {
            QWidget* m = QApplication::activeModalWidget();
            if (!m || !m->isVisible()) return;
            timer->stop();
            modal = {modal.count + 1, m->windowTitle(), m->metaObject()->className(), HelpFile()};
            if (auto* d = qobject_cast<QDialog*>(m)) d->reject();
            else m->close();
        });
        timer->start();
    }

    // Every program the commands look for is a script that notes its folder and arguments.
    void recordPrograms()
    {
        const QString script = t.root.filePath("recorder.sh");
        startedLog = t.root.filePath("started.log");
        const QByteArray log = QFile::encodeName(startedLog);
        QFile f(script);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n{ pwd -P; for a in \"$@\"; do printf '%s\\n' \"$a\"; done; } > '" + log + ".part' && mv '" +
                log + ".part' '" + log + "'\n");
        f.close();
        QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner | QFile::ExeUser);
        SetProgramLookup([script](const QString&) { return script; });
    }
    // The started program's working folder and its last argument.
    void checkStarted(const QString& folder, const QString& file)
    {
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(startedLog), 5000);
        QFile f(startedLog);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromLocal8Bit(f.readAll()).split('\n', Qt::SkipEmptyParts);
        QVERIFY(lines.size() >= 2);
        QCOMPARE(lines.first(), QDir(folder).canonicalPath());
        QCOMPARE(lines.last(), file);
        QCOMPARE(t.dlg.count(), 0);
    }

    // A code page 1250 file for the text window.
    void writeText(const QString& path)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("To\xe8ke\r\n");
    }
    // The file shows in the program's own text window, and nothing was asked.
    void checkTextWindow(const QString& path)
    {
        TTextEditorWnd* window = TextEditorFor(path);
        QVERIFY(window);
        QVERIFY(window->isVisible());
        QCOMPARE(window->Editor->toPlainText(), QString("Točke\n"));
        QCOMPARE(t.dlg.count(), 0);
        window->close();
    }

    // A log of five contacts, standing on the third so every move goes elsewhere.
    void openLogWithFive()
    {
        const QString path = t.logPath();
        w->Data.CreateLogTable(path);
        Table log;
        log.setTableName(path);
        log.open();
        const std::pair<const char*, int> qsos[] = {{"Q1AAA", 69}, {"Q5ABC", 55}, {"S51A", 11}, {"S52B", 12}, {"S53C", 13}};
        int minute = 0;
        for (auto [call, year] : qsos) {
            log.insert();
            log.setField("Date", QDate::currentDate());
            log.setField("Utc", QTime(6, minute++, 0));
            log.setField("Call", call);
            log.setField("Mode", "CW");
            log.setField("Band", "80");
            log.setField("RstS", "599");
            log.setField("RstR", "599");
            log.setField("MultiR", QString::number(year));
            log.setField("MultiP", year);
            log.setField("Point", 2);
            log.setField("Contest", "ZOX");
            log.post();
        }
        log.close();
        t.openLog(path);
        QVERIFY(LogOpen);
        QCOMPARE(w->Data.LogTbl.recordCount(), 5);
        w->Data.LogTbl.first();
        w->Data.LogTbl.next();
        w->Data.LogTbl.next();
        QCOMPARE(currentCall(), QString("S51A"));
        QCOMPARE(w->LogGrid->currentIndex().row(), 2);
        t.dlg.clear();
    }
};

// ---------------------------------------------------------------- the commands

using Step = std::function<void(Fx&)>;

struct Command {
    QString name;
    bool log;    // runs with a log of five contacts open
    Step run;    // reaches the command
    Step check;  // what the command must have done
};

Step menu(const QStringList& path) { return [path](Fx& f) { f.choose(path); }; }
Step click(QToolButton* TMainFrm::*button) { return [button](Fx& f) { (f.w->*button)->click(); }; }
Step press(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier) { return [k, mods](Fx& f) { f.key(k, mods); }; }
Step then(Step first, Step second)
{
    return [first, second](Fx& f) {
        first(f);
        if (!QTest::currentTestFailed()) second(f);
    };
}

void checkLogDialog(Fx& f)
{
    QCOMPARE(f.t.dlg.count(Q::File), 1);
    const auto& asked = f.t.dlg.asked(0);
    QCOMPARE(asked.question, Q::File);
    QVERIFY(asked.title.isEmpty());
    QCOMPARE(asked.value, Dir.Data);
    QCOMPARE(asked.filter, QString("Zox datoteke (*.DAT)|*.DAT"));
    QVERIFY(!asked.mustExist);
}

void checkNewLog(Fx& f)
{
    checkLogDialog(f);
    QVERIFY(LogOpen);
    QVERIFY(QFile::exists(f.fresh()));
    QCOMPARE(ContestName, QString("ZOX Contest"));
    QCOMPARE(f.w->windowTitle(), "Zox prvenstvo " + f.fresh());
}

void checkOpenLog(Fx& f)
{
    checkLogDialog(f);
    QVERIFY(LogOpen);
    QCOMPARE(ContestName, QString("ZOX"));
    QCOMPARE(f.w->windowTitle(), "Zox prvenstvo " + f.existing());
}

Step movesTo(const QString& call, int row)
{
    return [call, row](Fx& f) {
        QCOMPARE(f.currentCall(), call);
        QCOMPARE(f.w->LogGrid->currentIndex().row(), row);
    };
}

void checkFound(Fx& f)
{
    QCOMPARE(f.t.dlg.count(), 1);
    const auto& asked = f.t.dlg.asked(0);
    QCOMPARE(asked.question, Q::Text);
    QCOMPARE(asked.title, QString("Najdi znak"));
    QCOMPARE(asked.text, QString("Vpiši znak"));
    QCOMPARE(asked.caseMode, 1);
    QCOMPARE(f.currentCall(), QString("Q5ABC"));
    QCOMPARE(f.w->LogGrid->currentIndex().row(), 1);
}

void checkEditLoaded(Fx& f)
{
    QVERIFY(f.w->Session.Correcting());
    QCOMPARE(f.w->edCall->text(), QString("S51A"));
    QCOMPARE(f.w->edHisMulti->text(), QString("11"));
    QCOMPARE(f.t.dlg.count(), 0);
}

void checkDeleteAsked(Fx& f)
{
    QCOMPARE(f.t.dlg.count(), 1);
    const auto& asked = f.t.dlg.asked(0);
    QCOMPARE(asked.question, Q::Message);
    QCOMPARE(asked.text, QString("Zveza S51A bo izbrisana !"));
    QCOMPARE(asked.kind, int(mtWarning));
    QCOMPARE(asked.buttons, int(mbYesNo));
    QCOMPARE(f.w->Data.LogTbl.recordCount(), 5);  // answered No
}

Step speedIs(int speed)
{
    return [speed](Fx& f) {
        QCOMPARE(f.w->edKeyerSpeed->value(), speed);
        QVERIFY(f.w->Keyer);
        QCOMPARE(f.w->Keyer->Speed(), speed);
    };
}

Step memoryEdited(int n)
{
    return [n](Fx& f) {
        QCOMPARE(f.t.dlg.count(), 1);
        const auto& asked = f.t.dlg.asked(0);
        QCOMPARE(asked.question, Q::Text);
        QCOMPARE(asked.title, QString("Spomin F%1").arg(n));
        QCOMPARE(asked.text, QString("Vpiši text"));
        QCOMPARE(asked.value, QString("F%1").arg(n));
        QCOMPARE(f.w->Keyer->Memory()[n], QString("CQ TEST %1").arg(n));
    };
}

Step memorySent(int n)
{
    return [n](Fx& f) {
        QCOMPARE(f.sent, QStringList{QString("F%1").arg(n)});
        // The key or the menu brought the toolbar's memory keys in step with the keyer.
        QVERIFY(f.w->FButtons[n - 1]->isEnabled());
    };
}

// Runs a command for memory 1 to 8 in turn, each with a clean record.
Step eachMemory(std::function<Step(int)> command, std::function<Step(int)> check)
{
    return [command, check](Fx& f) {
        for (int n = 1; n <= 8 && !QTest::currentTestFailed(); ++n) {
            f.t.dlg.clear();
            f.sent.clear();
            command(n)(f);
            if (!QTest::currentTestFailed()) check(n)(f);
        }
    };
}

Step modalShown(const QString& title, const QString& className)
{
    return [title, className](Fx& f) {
        QCOMPARE(f.modal.count, 1);
        QCOMPARE(f.modal.title, title);
        QCOMPARE(f.modal.className, className);
        QVERIFY(!QApplication::activeModalWidget());
    };
}

Step typeInto(QSpinBox* TMainFrm::*field, const QString& text)
{
    return [field, text](Fx& f) {
        QSpinBox* s = f.w->*field;
        s->setFocus();
        s->selectAll();
        QTest::keyClicks(s, text);
    };
}

Step keyerValueIs(QSpinBox* TMainFrm::*field, std::function<int(const TCwKeyer&)> value, int expected)
{
    return [field, value, expected](Fx& f) {
        QCOMPARE((f.w->*field)->value(), expected);
        QVERIFY(f.w->Keyer);
        QCOMPARE(value(*f.w->Keyer), expected);
    };
}

void contextMenu(QWidget* w)
{
    QContextMenuEvent e(QContextMenuEvent::Mouse, QPoint(4, 4), w->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(w, &e);
}

QList<Command> buildCommands()
{
    QList<Command> c;
    const QString call = "S59ZZZ";
    const Step setCall = [call](Fx&) { UserInfo.User.Call = call; };
    const Step answerNew = [](Fx& f) { f.t.dlg.answerFile(f.fresh()); };
    const Step answerExisting = [](Fx& f) {
        f.w->Data.CreateLogTable(f.existing());
        f.t.dlg.answerFile(f.existing());
    };
    const Step record = [](Fx& f) { f.recordPrograms(); };
    const Step modal = [](Fx& f) { f.closeNextModal(); };
    const Step none = [](Fx&) {};

    // "Datoteka"
    c << Command{"Datoteka > Nova", false, then(answerNew, menu({"Datoteka", "Nova"})), checkNewLog}
      << Command{"button Nova...", false, then(answerNew, click(&TMainFrm::SpeedItem1)), checkNewLog}
      << Command{"Datoteka > Odpri", false, then(answerExisting, menu({"Datoteka", "Odpri"})), checkOpenLog}
      << Command{"button Odpri...", false, then(answerExisting, click(&TMainFrm::SpeedItem2)), checkOpenLog}
      << Command{"Datoteka > Konec", false, menu({"Datoteka", "Konec"}), [](Fx& f) { QVERIFY(!f.w->isVisible()); }};

    // "Urejanje"
    c << Command{"Urejanje > Operator", false, then(modal, menu({"Urejanje", "Operator"})),
                 modalShown("User info", "zox::TUserDlgFrm")}
      << Command{"Urejanje > Množitelji", false, menu({"Urejanje", "Množitelji"}), [](Fx& f) {
                     QVERIFY(f.w->MultiWnd->isVisible());
                     QCOMPARE(f.w->MultiWnd->windowTitle(), QString("Multipliers"));
                 }}
      << Command{"Urejanje > Čas > Utc", false, then([](Fx&) { UtcMode = false; }, menu({"Urejanje", "Čas", "Utc"})),
                 [](Fx& f) { QVERIFY(UtcMode); QVERIFY(f.w->UtcCas->isChecked()); }}
      << Command{"Urejanje > Čas > Lokalni čas", false,
                 then([](Fx&) { UtcMode = true; }, menu({"Urejanje", "Čas", "Lokalni čas"})),
                 [](Fx& f) { QVERIFY(!UtcMode); QVERIFY(f.w->LokalCas->isChecked()); }}
      << Command{"Urejanje > Log > Kreiraj", true, then(setCall, menu({"Urejanje", "Log", "Kreiraj"})),
                 [call](Fx& f) {
                     QCOMPARE(f.t.dlg.count(), 0);
                     QVERIFY(QFileInfo(Dir.Txt + call + ".txt").size() > 0);
                 }}
      << Command{"Urejanje > Log > Uredi", false,
                 then(then(setCall, [call](Fx& f) { f.writeText(Dir.Txt + call + ".txt"); }), menu({"Urejanje", "Log", "Uredi"})),
                 [call](Fx& f) { f.checkTextWindow(Dir.Txt + call + ".txt"); }}
      << Command{"Urejanje > Zbirni list > Kreiraj", true, then(setCall, menu({"Urejanje", "Zbirni list", "Kreiraj"})),
                 [call](Fx& f) {
                     QCOMPARE(f.t.dlg.count(), 0);
                     QVERIFY(QFileInfo(Dir.Txt + call + ".sum").size() > 0);
                 }}
      << Command{"Urejanje > Zbirni list > Uredi", false,
                 then(then(setCall, [call](Fx& f) { f.writeText(Dir.Txt + call + ".sum"); }),
                      menu({"Urejanje", "Zbirni list", "Uredi"})),
                 [call](Fx& f) { f.checkTextWindow(Dir.Txt + call + ".sum"); }}
      << Command{"Urejanje > Adif", true, then([](Fx& f) { f.t.dlg.answerFile(QString()); }, menu({"Urejanje", "Adif"})),
                 [](Fx& f) {
                     QCOMPARE(f.t.dlg.count(), 1);
                     QCOMPARE(f.t.dlg.asked(0).question, Q::File);
                     QCOMPARE(f.t.dlg.asked(0).title, QString("Kreiraj novo Adif datoteko"));
                     QCOMPARE(f.t.dlg.asked(0).value, Dir.Adif);
                     QVERIFY(QDir(Dir.Adif).entryList(QDir::Files).isEmpty());
                 }}
      << Command{"Urejanje > Cabrillo", true,
                 then([](Fx& f) {
                     UserInfo.User.Call = "S59ZZZ";
                     UserInfo.User.Multi = "69";
                     f.t.dlg.answerFile(QString());
                 }, menu({"Urejanje", "Cabrillo"})),
                 [](Fx& f) {
                     QCOMPARE(f.t.dlg.count(), 1);
                     QCOMPARE(f.t.dlg.asked(0).question, Q::File);
                     QCOMPARE(f.t.dlg.asked(0).title, QString("Kreiraj Cabrillo datoteko"));
                     QCOMPARE(f.t.dlg.asked(0).value, Dir.Cabrillo);
                 }};

    // "Qso" and the record buttons
    const char* navMenu[] = {"Prva zveza", "Naslednja zveza", "Prejšnja zveza", "Zadnja zveza"};
    const char* navHint[] = {"First Qso", "Next Qso", "Prior Qso", "Last Qso"};
    const int navButton[] = {0, 2, 1, 3};  // the navigator's buttons: first, prior, next, last
    const std::pair<QString, int> navTarget[] = {{"Q1AAA", 0}, {"S52B", 3}, {"Q5ABC", 1}, {"S53C", 4}};
    for (int i = 0; i < 4; ++i) {
        c << Command{QString("Qso > ") + navMenu[i], true, menu({"Qso", navMenu[i]}),
                     movesTo(navTarget[i].first, navTarget[i].second)};
        const int b = navButton[i];
        c << Command{QString("button ") + navHint[i], true, [b](Fx& f) { f.w->NavButtons[b]->click(); },
                     movesTo(navTarget[i].first, navTarget[i].second)};
    }
    const Step answerFind = [](Fx& f) { f.t.dlg.answerText("Q5ABC"); };
    const Step answerNo = [](Fx& f) { f.t.dlg.answerMessage(mrNo); };
    c << Command{"Qso > Najdi", true, then(answerFind, menu({"Qso", "Najdi"})), checkFound}
      << Command{"Ctrl+F", true, then(answerFind, press(Qt::Key_F, Qt::ControlModifier)), checkFound}
      << Command{"button Najdi", true, then(answerFind, click(&TMainFrm::SpeedItem16)), checkFound}
      << Command{"Qso > Uredi zvezo", true, menu({"Qso", "Uredi zvezo"}), checkEditLoaded}
      << Command{"button Uredi zvezo", true, click(&TMainFrm::SpeedItem8), checkEditLoaded}
      << Command{"Qso > Izbriši zvezo", true, then(answerNo, menu({"Qso", "Izbriši zvezo"})), checkDeleteAsked}
      << Command{"Ctrl+W", true, then(answerNo, press(Qt::Key_W, Qt::ControlModifier)), checkDeleteAsked}
      << Command{"button Izbriši zvezo", true, then(answerNo, click(&TMainFrm::SpeedItem7)), checkDeleteAsked}
      << Command{"button Preveri rezultat", true,
                 then([](Fx& f) {
                     // A mark written behind the program's back: the check puts it right.
                     Table& t = f.w->Data.LogTbl;
                     t.first();
                     t.edit();
                     t.setField("Point", 0);
                     t.post();
                     f.t.dlg.answerMessage(mrOk);
                 }, click(&TMainFrm::SpeedItem9)),
                 [](Fx& f) {
                     QCOMPARE(f.w->lblSkpTocke->text(), QString("10"));
                     QCOMPARE(f.w->lblSkpMnoz->text(), QString("5"));
                     QCOMPARE(f.w->lblRezultat->text(), QString("50"));
                     QCOMPARE(f.t.dlg.last().text, QString("Število popravljenih zvez: 1"));
                     QCOMPARE(f.t.dlg.last().kind, int(mtInformation));
                 }};

    // "Taster"
    c << Command{"Taster > Omogoči", false, menu({"Taster", "Omogoči"}), [](Fx& f) {
                     QVERIFY(!f.w->KeyerOn);
                     QVERIFY(!f.w->Keyer);
                     QVERIFY(!f.w->Keyer1->isChecked());
                     QVERIFY(!f.w->SendMemory[0]->isEnabled());
                 }}
      << Command{"Taster > Nastavitve > Nastavitve", false,
                 then(then([](Fx& f) { f.w->Keyer->SetSpeed(99); }, modal), menu({"Taster", "Nastavitve", "Nastavitve"})),
                 [](Fx& f) {
                     modalShown("SetupFrm", "zox::TSetupFrm")(f);
                     QCOMPARE(f.modal.helpFile, Dir.Help + "Keyer.hlp");
                     QCOMPARE(HelpFile(), Dir.Help + "Zox.hlp");
                     QCOMPARE(f.w->edKeyerSpeed->value(), 99);  // the fields follow the keyer again
                 }};
    // The eight memories, each family in one window, one memory after the other.
    const auto answer = [](int n) { return Step([n](Fx& f) { f.t.dlg.answerText(QString("cq test %1").arg(n)); }); };
    const auto fkey = [](int n) { return Qt::Key(Qt::Key_F1 + n - 1); };
    c << Command{"Taster > Nastavitve > Prvi ... Osmi spomin", false,
                 eachMemory([=](int n) { return then(answer(n), menu({"Taster", "Nastavitve", kOrdinals[n - 1] + " spomin"})); },
                            memoryEdited),
                 none}
      << Command{"Shift+F1 ... Shift+F8", false,
                 eachMemory([=](int n) { return then(answer(n), press(fkey(n), Qt::ShiftModifier)); }, memoryEdited), none};
    c << Command{"Taster > Avto edit", false, menu({"Taster", "Avto edit"}), [](Fx& f) {
                     QVERIFY(f.w->AvtoEdit->isChecked());
                     QVERIFY(f.w->AutoEditBtn->isChecked());
                     QVERIFY(f.w->Keyer->Pisem());
                 }}
      << Command{"Taster > Povečaj hitrost", false, menu({"Taster", "Povečaj hitrost"}), speedIs(120)}
      << Command{"Ctrl+U", false, press(Qt::Key_U, Qt::ControlModifier), speedIs(120)}
      << Command{"Taster > Zmanjšaj hitrost", false, menu({"Taster", "Zmanjšaj hitrost"}), speedIs(110)}
      << Command{"Ctrl+D", false, press(Qt::Key_D, Qt::ControlModifier), speedIs(110)};
    c << Command{"Taster > Prvi ... Osmi spomin", false,
                 eachMemory([](int n) { return menu({"Taster", kOrdinals[n - 1] + " spomin"}); }, memorySent), none}
      << Command{"F1 ... F8", false, eachMemory([=](int n) { return press(fkey(n)); }, memorySent), none}
      << Command{"buttons F1 ... F8", false,
                 eachMemory([](int n) { return Step([n](Fx& f) { f.openTaster(); f.w->FButtons[n - 1]->click(); }); },
                            memorySent),
                 none};
    c << Command{"F1 with the keyer off", false, then(menu({"Taster", "Omogoči"}), press(Qt::Key_F1)), [](Fx& f) {
                     QVERIFY(f.sent.isEmpty());
                     QVERIFY(!f.w->FButtons[0]->isEnabled());
                 }};

    // "Pomoč"
    c << Command{"Pomoč > Vsebina", false, menu({"Pomoč", "Vsebina"}), [](Fx&) {
                     QVERIFY(HelpWindow());
                     QVERIFY(HelpWindow()->isVisible());
                     QCOMPARE(HelpWindow()->OpenedHelpFile(), Dir.Help + "Zox.hlp");
                     HelpWindow()->close();
                 }}
      << Command{"Pomoč > ZOX pravila", false,
                 then([](Fx& f) { f.writeText(Dir.Rules + "Zox_rules.txt"); }, menu({"Pomoč", "ZOX pravila"})),
                 [](Fx& f) { f.checkTextWindow(Dir.Rules + "Zox_rules.txt"); }}
      << Command{"Pomoč > Navodila za uporabo", false, then(record, menu({"Pomoč", "Navodila za uporabo"})),
                 [](Fx& f) { f.checkStarted(Dir.Prog + "Manual", "Zox_navodila.doc"); }}
      << Command{"Pomoč > Program", false, then(modal, menu({"Pomoč", "Program"})),
                 modalShown("Trelo prvenstvo NLT", "zox::TAboutFrm")};

    // The other toolbar controls
    c << Command{"button Ura", false, then([](Fx& f) { QVERIFY(f.w->Ura->isVisible()); }, click(&TMainFrm::SpeedItem15)),
                 [](Fx& f) { QVERIFY(!f.w->Ura->isVisible()); }}
      << Command{"button Zvočnik", false, click(&TMainFrm::ZvocnikBtn), [](Fx& f) {
                     QVERIFY(f.w->Keyer->Speaker());
                     QVERIFY(f.w->ZvocnikBtn->isChecked());
                 }}
      << Command{"button Auto edit", false, click(&TMainFrm::AutoEditBtn), [](Fx& f) {
                     QVERIFY(f.w->Keyer->Pisem());
                     QVERIFY(f.w->AutoEditBtn->isChecked());
                     QVERIFY(f.w->AvtoEdit->isChecked());
                 }}
      << Command{"button Tune", false,
                 [](Fx& f) {
                     gPort->Clear();
                     QTest::mousePress(f.w->SpeedItem12, Qt::LeftButton);
                 },
                 [](Fx& f) {
                     // The keying thread writes it as soon as it wakes.
                     QTRY_VERIFY(!gPort->Writes().empty());
                     QTRY_VERIFY(gPort->Writes().back().Request.Value & TCwKeyer::kKeyBit);  // key line down
                     QTest::mouseRelease(f.w->SpeedItem12, Qt::LeftButton);
                     QTRY_VERIFY(!(gPort->Writes().back().Request.Value & TCwKeyer::kKeyBit));
                 }}
      << Command{"field Normalna hitrost", false, typeInto(&TMainFrm::edKeyerSpeed, "130"),
                 keyerValueIs(&TMainFrm::edKeyerSpeed, [](const TCwKeyer& k) { return k.Speed(); }, 130)}
      << Command{"field Večja hitrost", false, typeInto(&TMainFrm::edkeyerSpeed1, "160"),
                 keyerValueIs(&TMainFrm::edkeyerSpeed1, [](const TCwKeyer& k) { return k.HiSpeed(); }, 160)}
      << Command{"field Največja hitrost", false, typeInto(&TMainFrm::edKeyerSpeed2, "180"),
                 keyerValueIs(&TMainFrm::edKeyerSpeed2, [](const TCwKeyer& k) { return k.HiSpeed1(); }, 180)}
      << Command{"field Barva tona", false, typeInto(&TMainFrm::edKeyerTone, "800"),
                 keyerValueIs(&TMainFrm::edKeyerTone, [](const TCwKeyer& k) { return k.Tone(); }, 800)}
      << Command{"arrow up on Barva tona", false,
                 [](Fx& f) {
                     f.w->edKeyerTone->setFocus();
                     QTest::keyClick(f.w->edKeyerTone, Qt::Key_Up);
                 },
                 keyerValueIs(&TMainFrm::edKeyerTone, [](const TCwKeyer& k) { return k.Tone(); }, 650)};

    // Keys and the other controls of the window
    c << Command{"Enter in the entry panel", true, [](Fx& f) { f.t.enter("S54D", "14"); }, [](Fx& f) {
                     QCOMPARE(f.w->Data.LogTbl.recordCount(), 6);
                     QCOMPARE(f.t.status(), QString("6  zvez !"));
                 }}
      << Command{"Escape in the entry panel", true,
                 [](Fx& f) {
                     f.w->Keyer->SetStop(true);  // nothing is being sent
                     f.w->edCall->setFocus();
                     QTest::keyClicks(f.w->edCall, "S54D");
                     f.key(Qt::Key_Escape);
                 },
                 [](Fx& f) {
                     QCOMPARE(f.w->edCall->text(), QString());
                     QCOMPARE(f.t.dlg.count(), 0);
                 }}
      << Command{"Space from the call field", false, [](Fx& f) { f.w->edCall->setFocus(); f.key(Qt::Key_Space); },
                 [](Fx& f) { QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.w->edHisMulti)); }}
      << Command{"Space from the his-multiplier field", false,
                 [](Fx& f) { f.w->edHisMulti->setFocus(); f.key(Qt::Key_Space); },
                 [](Fx& f) { QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.w->edCall)); }}
      << Command{"Space from another control", false, [](Fx& f) { f.w->edRstS->setFocus(); f.key(Qt::Key_Space); },
                 [](Fx& f) { QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.w->cbBand)); }};
    return c;
}

const QList<Command>& commandTable()
{
    static const QList<Command> table = buildCommands();
    return table;
}

}  // namespace

class CommandMapTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        // Tune keys the parallel port: a recording port stands in for it.
        gPort = new TRecordingPortDevice;
        QVERIFY(ZlPortIoStart(std::unique_ptr<TPortDevice>(gPort)));
    }
    void cleanupTestCase()
    {
        ZlPortIoEnd();
        gPort = nullptr;
    }

    // Each menu's entries in order, separators included.
    void menuTree()
    {
        QStringList send, edit;
        for (int i = 0; i < 8; ++i) {
            send << kOrdinals[i] + " spomin  F" + QString::number(i + 1);
            edit << kOrdinals[i] + " spomin  Shift+F" + QString::number(i + 1);
        }
        const std::pair<QStringList, QStringList> menus[] = {
            {{}, {"Datoteka >", "Urejanje >", "Qso >", "Taster >", "Pomoč >"}},
            {{"Datoteka"}, {"Nova", "Odpri", "-", "Konec"}},
            {{"Urejanje"}, {"Operator", "-", "Množitelji", "-", "Čas >", "Log >", "Zbirni list >", "-", "Adif", "Cabrillo"}},
            {{"Urejanje", "Čas"}, {"Utc  (radio)", "Lokalni čas  (radio)"}},
            {{"Urejanje", "Log"}, {"Kreiraj", "Uredi"}},
            {{"Urejanje", "Zbirni list"}, {"Kreiraj", "Uredi"}},
            {{"Qso"},
             {"Prva zveza", "Naslednja zveza", "Prejšnja zveza", "Zadnja zveza", "-", "Najdi  Ctrl+F", "Uredi zvezo",
              "Izbriši zvezo  Ctrl+W"}},
            {{"Taster"},
             QStringList{"Omogoči  (check)", "Nastavitve >", "Avto edit  (check)", "-", "Povečaj hitrost  Ctrl+U",
                         "Zmanjšaj hitrost  Ctrl+D", "-"} + send},
            {{"Taster", "Nastavitve"}, QStringList{"Nastavitve"} + edit},
            {{"Pomoč"}, {"Vsebina", "-", "ZOX pravila", "Navodila za uporabo", "-", "Program"}},
        };
        Window t;
        QStringList problems;
        for (const auto& [path, entries] : menus) {
            QList<QAction*> level = t.w->menuBar()->actions();
            if (!path.isEmpty()) {
                const QList<QAction*> chain = alongPath(t.w.get(), path);
                if (chain.size() != path.size() || !chain.last()->menu()) {
                    problems << "no menu " + path.join(" > ");
                    continue;
                }
                level = chain.last()->menu()->actions();
            }
            const QStringList actual = describe(level);
            if (actual != entries)
                problems << (path.isEmpty() ? QString("menu bar") : path.join(" > ")) + ": [" + actual.join(" | ") +
                                "], expected [" + entries.join(" | ") + "]";
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }

    // Alt and a letter reach one entry: no two entries of a menu share their letter.
    void accessKeysAreOnePerEntry()
    {
        Window t;
        QStringList problems;
        std::function<void(const QList<QAction*>&, const QString&)> walk = [&](const QList<QAction*>& level,
                                                                                 const QString& where) {
            QMap<QChar, QString> taken;
            for (QAction* a : level) {
                const QString text = a->text();
                const qsizetype amp = text.indexOf(u'&');
                if (!a->isSeparator() && amp >= 0 && amp + 1 < text.size()) {
                    const QChar key = text[amp + 1].toLower();
                    if (taken.contains(key)) problems << where + ": " + taken[key] + " and " + text + " share " + key;
                    taken[key] = text;
                }
                if (a->menu()) walk(a->menu()->actions(), where + " > " + QString(text).remove(u'&'));
            }
        };
        walk(t.w->menuBar()->actions(), "menu bar");
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }

    void toolbarOrder()
    {
        Window t;
        const auto names = [&](QToolBar* bar) {
            QStringList out;
            for (QAction* a : bar->actions()) {
                if (!a->isVisible()) continue;
                QWidget* w = bar->widgetForAction(a);
                out << (a->isSeparator() ? QString("-") : w ? w->objectName() : plain(a->text()));
            }
            return out;
        };
        QCOMPARE(names(t.w->SpeedBar1), (QStringList{"SpeedItem1", "SpeedItem2", "DBNavigator1", "SpeedItem16",
                                                     "SpeedItem7", "SpeedItem8", "SpeedItem9", "SpeedItem15"}));
        // The "M" button is left out on purpose.
        QCOMPARE(names(t.w->DbBar), (QStringList{"F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "ZvocnikBtn",
                                                 "AutoEditBtn", "SpeedItem12", "edKeyerSpeed", "edkeyerSpeed1",
                                                 "edKeyerSpeed2", "edKeyerTone"}));
        QCOMPARE(t.w->DbBar->windowTitle(), QString("Keyer"));
        QVERIFY(t.w->ZvocnikBtn->isCheckable());
        QVERIFY(t.w->AutoEditBtn->isCheckable());
        QVERIFY(!t.w->SpeedItem12->isCheckable());
        // The navigator's buttons, left to right.
        QStringList nav;
        for (QToolButton* b : t.w->NavButtons) {
            QVERIFY(t.w->DBNavigator1->isAncestorOf(b));
            nav << b->toolTip();
        }
        QCOMPARE(nav, (QStringList{"First Qso", "Prior Qso", "Next Qso", "Last Qso"}));
    }

    // Captions and hints of the toolbar controls. A hint is a tooltip (its lines
    // joined by line breaks) and, for the memory keys, a long text that is the
    // status-line hint and not part of the tooltip.
    void toolbarHints()
    {
        Window t;
        TMainFrm* w = t.w.get();
        const QStringList longs{"Prvi spomin", "Drugi spomin", "Tretji spomin", "Četrti spomin",
                                "Peti spomin", "Šest spomin",  "Sedmi spomin",  "Osmi spomin"};
        struct Hint {
            QWidget* control;
            QString caption;  // null: an icon, no caption asked for
            QString tooltip, longText;
        };
        QList<Hint> hints{
            {w->SpeedItem1, {}, "Nova...", ""},
            {w->SpeedItem2, {}, "Odpri...", ""},
            {w->SpeedItem16, "Najdi", "Najdi", ""},
            {w->SpeedItem7, {}, "Izbriši zvezo", ""},
            {w->SpeedItem8, {}, "Uredi zvezo", ""},
            {w->SpeedItem9, {}, "Preveri rezultat", ""},
            {w->SpeedItem15, {}, "Ura\nPokaži/Skrij", ""},
            {w->ZvocnikBtn, {}, "Zvočnik \nVklop/Izklop", ""},
            {w->AutoEditBtn, {}, "Auto edit\nVklop/Izklop", ""},
            {w->SpeedItem12, "Tune", "Tune", ""},
            {w->edKeyerSpeed, {}, "Normalna\nhitrost\ntastanja", ""},
            {w->edkeyerSpeed1, {}, "Večja\nhitrost\ntastanja", ""},
            {w->edKeyerSpeed2, {}, "Največja\nhitrost\ntastanja", ""},
            {w->edKeyerTone, {}, "Barva\ntona", ""},
        };
        for (int i = 0; i < 8; ++i) {
            const QString name = QString("F%1").arg(i + 1);
            hints << Hint{w->FButtons.value(i), name, name, longs[i]};
        }
        QStringList problems;
        const auto quoted = [](QString text) { return '"' + text.replace('\n', "\\n") + '"'; };
        for (const Hint& h : hints) {
            QVERIFY(h.control);
            const QString name = h.control->objectName();
            if (!h.caption.isNull() && qobject_cast<QToolButton*>(h.control)->text() != h.caption)
                problems << name + " caption " + quoted(qobject_cast<QToolButton*>(h.control)->text()) + ", expected " + quoted(h.caption);
            if (h.control->toolTip() != h.tooltip)
                problems << name + " tooltip " + quoted(h.control->toolTip()) + ", expected " + quoted(h.tooltip);
            if (h.control->statusTip() != h.longText)
                problems << name + " long text " + quoted(h.control->statusTip()) + ", expected " + quoted(h.longText);
        }
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
    }

    void keyerFields()
    {
        Window t;
        const struct {
            QSpinBox* field;
            int minimum, maximum, step, value;
        } fields[] = {
            {t.w->edKeyerSpeed, 50, 255, 1, 115},
            {t.w->edkeyerSpeed1, 50, 255, 1, 150},
            {t.w->edKeyerSpeed2, 50, 255, 1, 170},
            {t.w->edKeyerTone, 300, 2000, 50, 600},
        };
        for (const auto& f : fields) {
            QVERIFY(f.field);
            const QString name = f.field->objectName();
            QCOMPARE(name + QString(" %1..%2 step %3, %4").arg(f.field->minimum()).arg(f.field->maximum())
                                .arg(f.field->singleStep()).arg(f.field->value()),
                     name + QString(" %1..%2 step %3, %4").arg(f.minimum).arg(f.maximum).arg(f.step).arg(f.value));
        }
    }

    // Which commands are usable: the record commands only with a log, the memory
    // keys only with the keyer on (following it when the "Taster" menu opens),
    // everything else always.
    void enabledInEachState_data()
    {
        QTest::addColumn<int>("state");
        QTest::addColumn<bool>("log");
        QTest::addColumn<bool>("keys");  // the memory keys
        QTest::newRow("no log, at start") << 0 << false << false;
        QTest::newRow("no log, keyer on, menu opened") << 1 << false << true;
        QTest::newRow("no log, keyer off") << 2 << false << false;
        QTest::newRow("log open, keyer on") << 3 << true << true;
        QTest::newRow("log open, keyer off") << 4 << true << false;
        QTest::newRow("log open, keyer on again") << 5 << true << true;
    }
    void enabledInEachState()
    {
        QFETCH(int, state);
        QFETCH(bool, log);
        QFETCH(bool, keys);
        Fx f;
        if (QTest::currentTestFailed()) return;
        TMainFrm* w = f.w;
        if (state >= 3) {
            f.t.newLog(f.t.logPath());
            QVERIFY(LogOpen);
        }
        if (state == 2 || state >= 4) f.choose({"Taster", "Omogoči"});  // off
        if (state == 5) f.choose({"Taster", "Omogoči"});                // on again
        if (state > 0) f.openTaster();
        const bool keyerOn = !(state == 2 || state == 4);
        QCOMPARE(w->KeyerOn, keyerOn);
        QCOMPARE(w->Keyer1->isChecked(), keyerOn);

        QList<QStringList> items;
        collectItems(w->menuBar()->actions(), {}, items);
        QVERIFY(items.size() >= 40);
        for (const QStringList& path : items) {
            bool expected = true;
            if (path.first() == "Qso") expected = log;
            else if (path.size() == 2 && path.first() == "Taster" && path.last().endsWith(" spomin")) expected = keys;
            QVERIFY2(usable(alongPath(w, path)) == expected,
                     qPrintable(path.join(" > ") + (expected ? " should be enabled" : " should be disabled")));
        }
        struct Control {
            QString name;
            QWidget* widget;
            bool expected;
        };
        QList<Control> controls{{"Nova...", w->SpeedItem1, true}, {"Odpri...", w->SpeedItem2, true},
                                {"Najdi", w->SpeedItem16, true},  {"Izbriši zvezo", w->SpeedItem7, log},
                                {"Uredi zvezo", w->SpeedItem8, log}, {"Preveri rezultat", w->SpeedItem9, log},
                                {"Ura", w->SpeedItem15, true},    {"Zvočnik", w->ZvocnikBtn, true},
                                {"Auto edit", w->AutoEditBtn, true}, {"Tune", w->SpeedItem12, true},
                                {"edKeyerSpeed", w->edKeyerSpeed, true}, {"edkeyerSpeed1", w->edkeyerSpeed1, true},
                                {"edKeyerSpeed2", w->edKeyerSpeed2, true}, {"edKeyerTone", w->edKeyerTone, true},
                                {"keyer toolbar", w->DbBar, true}};
        for (QToolButton* b : w->NavButtons) controls << Control{b->toolTip(), b, log};
        for (QToolButton* b : w->FButtons) controls << Control{b->objectName(), b, keys};
        for (const Control& c : controls)
            QVERIFY2(c.widget->isEnabled() == c.expected,
                     qPrintable(c.name + (c.expected ? " should be enabled" : " should be disabled")));
    }

    void commands_data()
    {
        QTest::addColumn<int>("index");
        const QList<Command>& table = commandTable();
        for (int i = 0; i < table.size(); ++i) QTest::newRow(qPrintable(table[i].name)) << i;
    }
    void commands()
    {
        QFETCH(int, index);
        const Command& c = commandTable().at(index);
        Fx f;
        if (QTest::currentTestFailed()) return;
        if (c.log) {
            f.openLogWithFive();
            if (QTest::currentTestFailed()) return;
        }
        c.run(f);
        if (QTest::currentTestFailed()) return;
        c.check(f);
    }

    // Alt with the marked letter of an entry label moves the focus to its field.
    void accessKeys_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("field");  // empty: the focus stays
        QTest::newRow("Alt+A Datum") << int(Qt::Key_A) << "edDate";
        QTest::newRow("Alt+G Gmt") << int(Qt::Key_G) << "edUtc";
        QTest::newRow("Alt+V Vrsta oddaje") << int(Qt::Key_V) << "cbMode";
        QTest::newRow("Alt+B Band") << int(Qt::Key_B) << "cbBand";
        QTest::newRow("Alt+O Oddan raport") << int(Qt::Key_O) << "edRstS";
        QTest::newRow("Alt+M Moj množ.") << int(Qt::Key_M) << "edMyMulti";
        QTest::newRow("Alt+Z Znak") << int(Qt::Key_Z) << "edCall";
        QTest::newRow("Alt+N Njegov množ.") << int(Qt::Key_N) << "edHisMulti";
        QTest::newRow("Alt+S Sprejet raport") << int(Qt::Key_S) << "";
    }
    void accessKeys()
    {
        QFETCH(int, key);
        QFETCH(QString, field);
        Fx f;
        if (QTest::currentTestFailed()) return;
        f.w->Button2->setFocus();
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(f.w->Button2));
        f.key(Qt::Key(key), Qt::AltModifier);
        QWidget* now = QApplication::focusWidget();
        QVERIFY(now);
        if (field.isEmpty()) {
            QCOMPARE(now, static_cast<QWidget*>(f.w->Button2));
            return;
        }
        auto* target = f.w->Panel1->findChild<QWidget*>(field);
        QVERIFY(target);
        QVERIFY2(now == target || target->isAncestorOf(now), qPrintable("focus on " + now->objectName()));
    }

    void mouseControls()
    {
        Fx f;
        if (QTest::currentTestFailed()) return;
        TMainFrm* w = f.w;
        // Double click on the time field: the current time.
        QTest::mouseDClick(w->edUtc, Qt::LeftButton);
        QVERIFY2(QTime::fromString(w->edUtc->text().trimmed(), "H:mm:ss").isValid(), qPrintable(w->edUtc->text()));
        // The ellipsis button of the own multiplier.
        f.t.dlg.answerStandardInput("77");
        w->edMyMultiButton->click();
        QCOMPARE(f.t.dlg.count(Q::StandardInput), 1);
        QCOMPARE(f.t.dlg.last().title, QString("New multplier"));
        QCOMPARE(w->edMyMulti->text(), QString("77"));
        // Right click on either call field: "Pisava", one font for both.
        for (QLineEdit* e : {w->edCall, w->edHisMulti}) {
            contextMenu(e);
            QTRY_VERIFY(w->EditMnu->isVisible());
            QCOMPARE(describe(w->EditMnu->actions()), QStringList{"Pisava"});
            w->EditMnu->hide();
        }
        QFont big = w->edCall->font();
        big.setPixelSize(24);
        f.t.dlg.answerFont(big);
        w->EditMnu->actions().first()->trigger();
        QCOMPARE(w->edCall->font().pixelSize(), 24);
        QCOMPARE(w->edHisMulti->font().pixelSize(), 24);
        // Right click on the clock: its own menu.
        contextMenu(w->Ura->HamUra);
        QTRY_VERIFY(w->Ura->UraMnu->isVisible());
        w->Ura->UraMnu->hide();
    }
};

QTEST_MAIN(CommandMapTest)
#include "commandmap_test.moc"
