// The settings file through the real window: restore at the first show, save at close.
#include "WindowFixture.h"

#include "app/IniFile.h"
#include "ui/FormStorage.h"
#include "ui/uClock.h"

#include <QStringDecoder>
#include <QStringEncoder>

using namespace zox;
using zox::test::Window;

namespace {

QString iniPath(const Window& t) { return t.root.filePath("config/Zox.ini"); }

void writeIni(const Window& t, const QString& text)
{
    QStringEncoder enc("windows-1250");
    QFile f(iniPath(t));
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(enc(text));
}

QByteArray iniBytes(const Window& t)
{
    QFile f(iniPath(t));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

// A fresh window over the same folders, as at the next start; `ini` is put in
// place between the two runs.
void restart(Window& t, const QString& ini = QString())
{
    if (t.w) t.w->close();
    t.w.reset();
    if (!ini.isNull()) writeIni(t, ini);
    ResetGlobals();
    UserInfo = TUserInfo{};
    t.w = std::make_unique<TMainFrm>();
    t.w->show();
    QVERIFY(QTest::qWaitForWindowExposed(t.w.get()));
}

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT
private slots:
    void restoreCases_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("utc");
        QTest::addColumn<QString>("call");
        QTest::newRow("no file") << QString() << true << "X9XX";
        QTest::newRow("Time 0") << "[TMainFrm]\r\nTime=0\r\n" << true << "X9XX";
        QTest::newRow("Time 1") << "[TMainFrm]\r\nTime=1\r\n" << false << "X9XX";
        QTest::newRow("Time x") << "[TMainFrm]\r\nTime=x\r\nUser Call=Q5ŠČŽ\r\n" << false << "Q5ŠČŽ";
        QTest::newRow("Time empty") << "[TMainFrm]\r\nTime=\r\n" << false << "X9XX";
    }
    void restoreCases()
    {
        QFETCH(QString, file);
        QFETCH(bool, utc);
        QFETCH(QString, call);
        Window t;
        if (file.isNull()) {
            t.w->close();
            QFile::remove(iniPath(t));
            t.w.reset();
        }
        restart(t, file);
        QCOMPARE(UtcMode, utc);
        QCOMPARE(UserInfo.User.Call, call);
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Error), 0);
    }

    void roundTripThroughTheWindow()
    {
        Window t;
        restart(t, "; kept comment\r\n[Other]\r\nKey=Value\r\n[TMainFrm]\r\nUnknown Key=stays\r\n");
        UserInfo.User.FName = "Črtomir";
        UserInfo.User.City = "Šmarje pri Jelšah";
        UserInfo.User.Call = "q5abc";
        UserInfo.Rig.Antenna = "dipol";
        UtcMode = false;
        QFont f = t.w->edCall->font();
        f.setFamily("DejaVu Serif");
        f.setPixelSize(21);
        f.setBold(true);
        t.w->edCall->setFont(f);
        t.w->edHisMulti->setFont(f);
        t.w->Ura->AnalognaUraClick();  // height 300
        t.w->Ura->move(40, 50);
        QFont cf = t.w->Ura->HamUra->font();
        cf.setPixelSize(44);
        t.w->Ura->HamUra->setFont(cf);
        const QPoint uraPos = t.w->Ura->pos();
        restart(t);
        QCOMPARE(t.w->Ura->height(), 300);
        QCOMPARE(t.w->Ura->pos(), uraPos);
        QCOMPARE(t.w->Ura->HamUra->font().pixelSize(), 44);
        QCOMPARE(t.w->Ura->HamUra->mode(), THamUra::Mode::Digital);
        QCOMPARE(UserInfo.User.FName, QString("Črtomir"));
        QCOMPARE(UserInfo.User.City, QString("Šmarje pri Jelšah"));
        QCOMPARE(UserInfo.User.Call, QString("q5abc"));  // lower case kept
        QCOMPARE(UserInfo.Rig.Antenna, QString("dipol"));
        QVERIFY(!UtcMode);
        QCOMPARE(t.w->edCall->font().pixelSize(), 21);
        QVERIFY(t.w->edCall->font().bold());
        QCOMPARE(t.w->edHisMulti->font().family(), t.w->edCall->font().family());
        const QByteArray bytes = iniBytes(t);
        QVERIFY(bytes.startsWith("; kept comment\r\n[Other]\r\nKey=Value\r\n"));
        QVERIFY(bytes.contains("Unknown Key=stays\r\n"));
        QStringEncoder enc("windows-1250");
        const QByteArray fname = enc(QString("User FName=Črtomir\r\n"));
        QVERIFY(bytes.contains(fname));
        QVERIFY(bytes.contains("Time=1\r\n"));
        QVERIFY(bytes.contains("edCall_FontStyle=[fsBold]\r\n"));
        QVERIFY(bytes.contains("edCall_FontHeight=-21\r\n"));
        QVERIFY(!bytes.contains("\n\n") && bytes.count('\n') == bytes.count("\r\n"));
    }

    // At the first start the clock stands beside the main window, clear of its menus;
    // a stored position comes back, kept on a screen.
    void clockPositionAtFirstAndLaterStarts()
    {
        Window t;
        QVERIFY(QTest::qWaitForWindowExposed(t.w->Ura));
        const QRect clock = t.w->Ura->frameGeometry();
        const QRect screen = t.w->screen()->availableGeometry();
        QVERIFY(screen.contains(clock));
        for (QWidget* bar : QList<QWidget*>{t.w->menuBar(), t.w->SpeedBar1, t.w->DbBar}) {
            const QRect onScreen(bar->mapToGlobal(QPoint(0, 0)), bar->size());
            QVERIFY2(!clock.intersects(onScreen), qPrintable(bar->objectName()));
        }
        // This screen is too narrow for the two side by side: the clock is below the main window.
        QVERIFY(!clock.intersects(t.w->frameGeometry()));
        QVERIFY2(clock.top() > t.w->frameGeometry().bottom(), qPrintable(QString("clock at %1,%2; main window ends at %3")
                                                                        .arg(clock.left()).arg(clock.top())
                                                                        .arg(t.w->frameGeometry().bottom())));
        QCOMPARE(clock.left(), t.w->frameGeometry().left());

        t.w->Ura->move(screen.left() + 40, screen.top() + 50);
        restart(t);
        QCOMPARE(t.w->Ura->pos(), QPoint(screen.left() + 40, screen.top() + 50));

        // A position on a screen that is no longer there.
        t.w->Ura->move(screen.right() + 3000, screen.top() + 50);
        restart(t);
        QVERIFY(screen.contains(t.w->Ura->frameGeometry()));
        QCOMPARE(t.w->Ura->y(), screen.top() + 50);
    }

    void placementAtAnotherPixelDensityIsIgnored()
    {
        Window t;
        const QString rect = "100,80,700,580";
        for (int ppi : {ScreenPixelsPerInch(), ScreenPixelsPerInch() + 24}) {
            restart(t, QString("[TMainFrm]\r\nFormVersion=0\r\nShowCmd=1\r\nPixelsPerInch=%1\r\nNormPos=%2\r\n").arg(ppi).arg(rect));
            if (ppi == ScreenPixelsPerInch()) QCOMPARE(t.w->size(), QSize(600, 500));
            else QCOMPARE(t.w->size(), QSize(787, 599));
        }
    }

    void anUnwritableFolderKeepsTheOldFile()
    {
        Window t;
        restart(t, "[TMainFrm]\r\nUser Call=Q5OLD\r\n");
        UserInfo.User.Call = "Q5NEW";
        // A file where the temporary file would go: the folder cannot take a new file.
        const QByteArray before = iniBytes(t);
        QFile(t.root.filePath("config")).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const bool guarded = QFileInfo(t.root.filePath("config")).isWritable() == false
                             && QFile(t.root.filePath("config/probe")).open(QIODevice::WriteOnly) == false;
        if (!guarded) {
            // Running as root: take the folder away instead.
            QFile(t.root.filePath("config")).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
            QFile::remove(t.root.filePath("config/probe"));
            qputenv("XDG_CONFIG_HOME", t.root.filePath("gone/config").toUtf8());
            QFile(t.root.filePath("gone")).open(QIODevice::WriteOnly);  // a file, so no folder can be made there
        }
        t.w->close();
        QFile(t.root.filePath("config")).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        QCOMPARE(t.dlg.count(ScriptedDialogs::Question::Error), 1);
        QVERIFY(t.dlg.last().text.startsWith("Unable to write to "));
        QVERIFY(t.dlg.last().text.contains("Zox.ini"));
        QCOMPARE(iniBytes(t), before);
        QVERIFY(!t.w->isVisible());  // the program still closes
    }
};

QTEST_MAIN(SettingsTest)
#include "settings_test.moc"
