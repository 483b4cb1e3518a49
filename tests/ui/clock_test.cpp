// The clock window: time source, faces, popup menu, font and visibility.
#include "app/uGlob.h"
#include "ui/base/ScriptedDialogs.h"
#include "ui/uClock.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QImage>
#include <QMenu>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace zox;

namespace {

const QDate Day(2024, 3, 5);

// A shown clock window whose clocks read fixed times.
struct Clock {
    bool savedUtcMode = UtcMode;
    std::unique_ptr<TUra> w = std::make_unique<TUra>();
    QTime local{10, 11, 12};
    QTime utc{8, 11, 12};

    explicit Clock(bool show = true)
    {
        w->HamUra->setLocalClock([this] { return QDateTime(Day, local); });
        w->setUtcClock([this] { return QDateTime(Day, utc, Qt::UTC); });
        if (show) {
            w->show();
            if (!QTest::qWaitForWindowExposed(w.get()))
                qWarning("clock window not exposed");
        }
    }
    ~Clock() { UtcMode = savedUtcMode; }

    // Right click on the clock and a left click on the item, as the operator does.
    void choose(QAction* item)
    {
        const QPoint at = w->HamUra->rect().center();
        QTest::mouseClick(w->HamUra, Qt::RightButton, {}, at);
        // Qt Test hands the click straight to the widget, so the context-menu event the
        // window system sends after a right click is sent here.
        QContextMenuEvent menuEvent(QContextMenuEvent::Mouse, at, w->HamUra->mapToGlobal(at));
        QApplication::sendEvent(w->HamUra, &menuEvent);
        QVERIFY(QTest::qWaitForWindowExposed(w->UraMnu));
        QTest::mouseClick(w->UraMnu, Qt::LeftButton, {}, w->UraMnu->actionGeometry(item).center());
        QTRY_VERIFY(!w->UraMnu->isVisible());
    }

    QImage render(QSize size)
    {
        w->resize(size);  // the clock fills the window
        QImage img(size, QImage::Format_RGB32);
        img.fill(Qt::red);  // anything not painted over shows as red
        w->HamUra->render(&img);
        return img;
    }
};

int CountPixels(const QImage& img, const std::function<bool(QColor)>& match)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += match(img.pixelColor(x, y));
    return n;
}

bool Teal(QColor c) { return c.red() < 40 && c.green() > 90 && c.blue() > 90 && std::abs(c.green() - c.blue()) < 20; }
bool Light(QColor c) { return c.red() > 200 && c.green() > 200 && c.blue() > 200; }
bool Red(QColor c) { return c == QColor(Qt::red); }

}  // namespace

class ClockTest : public QObject {
    Q_OBJECT
private slots:
    void startsAsDesigned()
    {
        Clock t(false);
        QCOMPARE(t.w->windowTitle(), QString("Ura"));
        QVERIFY(t.w->windowFlags().testFlag(Qt::Tool));
        QCOMPARE(t.w->size(), QSize(307, 131));
        QCOMPARE(t.w->HamUra->mode(), THamUra::Mode::Digital);
        QCOMPARE(t.w->HamUra->backgroundColor(), QColor(Qt::black));
        QCOMPARE(t.w->HamUra->fontColor(), QColor(Qt::white));
        QCOMPARE(t.w->HamUra->font().family(), QString("Tahoma"));
        QCOMPARE(t.w->HamUra->font().pixelSize(), 60);
        QVERIFY(t.w->DigitalnaUra->isChecked());
        QVERIFY(!t.w->AnalognaUra->isChecked());
        QCOMPARE(t.w->UraMnu->actions(), (QList<QAction*>{t.w->Pisava, t.w->DigitalnaUra, t.w->AnalognaUra}));
        QCOMPARE(t.w->Pisava->text(), QString("Pisava"));
        QCOMPARE(t.w->DigitalnaUra->text(), QString("Digitalna ura"));
        QCOMPARE(t.w->AnalognaUra->text(), QString("Analogna ura"));
    }

    // The settings code reaches the stored properties by name.
    void storedPropertiesByName()
    {
        Clock t(false);
        QVERIFY(t.w->setProperty("Left", 40));
        QVERIFY(t.w->setProperty("Top", 50));
        QVERIFY(t.w->setProperty("Width", 320));
        QVERIFY(t.w->setProperty("Height", 300));
        const QFont f("DejaVu Serif", 20);
        QVERIFY(t.w->HamUra->setProperty("Font", f));
        QVERIFY(t.w->HamUra->setProperty("FontColor", QColor(Qt::yellow)));
        t.w->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.w.get()));
        QCOMPARE(t.w->property("Left").toInt(), 40);
        QCOMPARE(t.w->property("Top").toInt(), 50);
        QCOMPARE(t.w->size(), QSize(320, 300));
        QCOMPARE(t.w->HamUra->font(), f);
        QCOMPARE(t.w->HamUra->fontColor(), QColor(Qt::yellow));
        // The height a previous run left after analog mode stays; the clock still starts digital.
        QCOMPARE(t.w->HamUra->mode(), THamUra::Mode::Digital);
        QVERIFY(t.w->DigitalnaUra->isChecked());
    }

    void timeFollowsUtcMode_data()
    {
        QTest::addColumn<bool>("utcMode");
        QTest::addColumn<QTime>("local");
        QTest::addColumn<QTime>("utc");
        QTest::addColumn<QString>("shown");
        QTest::newRow("utc") << true << QTime(10, 11, 12) << QTime(8, 11, 12) << "08:11:12";
        QTest::newRow("local") << false << QTime(10, 11, 12) << QTime(8, 11, 12) << "10:11:12";
        QTest::newRow("utc before midnight") << true << QTime(0, 30, 5) << QTime(23, 30, 5) << "23:30:05";
        QTest::newRow("local after midnight") << false << QTime(0, 3, 5) << QTime(23, 3, 5) << "00:03:05";
        QTest::newRow("afternoon in 24 hours") << false << QTime(13, 0, 9) << QTime(11, 0, 9) << "13:00:09";
    }
    void timeFollowsUtcMode()
    {
        QFETCH(bool, utcMode);
        QFETCH(QTime, local);
        QFETCH(QTime, utc);
        QFETCH(QString, shown);
        Clock t(false);
        t.local = local;
        t.utc = utc;
        UtcMode = utcMode;
        t.w->HamUra->refresh();
        QCOMPARE(t.w->HamUra->text(), shown);
    }

    // The hook gets the local time in and gives the time to show out.
    void hookInAndOut()
    {
        Clock t(false);
        QTime time(1, 2, 3);
        UtcMode = false;
        t.w->HamUraGetTime(time);
        QCOMPARE(time, QTime(1, 2, 3));
        UtcMode = true;
        t.w->HamUraGetTime(time);
        QCOMPARE(time, t.utc);
    }

    // The refresh timer, not a repaint by chance, carries a change of time mode to the face.
    void modeChangeShowsAtNextRefresh()
    {
        Clock t;
        UtcMode = true;
        t.w->HamUra->refresh();
        QCOMPARE(t.w->HamUra->text(), QString("08:11:12"));
        QVERIFY(t.w->HamUra->timer()->isActive());
        QCOMPARE(t.w->HamUra->timer()->interval(), 450);
        UtcMode = false;
        QTRY_COMPARE(t.w->HamUra->text(), QString("10:11:12"));
        t.local = QTime(10, 11, 13);
        QTRY_COMPARE(t.w->HamUra->text(), QString("10:11:13"));
    }

    void digitalFaceIsCentred()
    {
        Clock t(false);
        UtcMode = false;
        t.w->HamUra->refresh();
        const QImage img = t.render(QSize(400, 131));
        QCOMPARE(CountPixels(img, Red), 0);
        int left = img.width(), right = -1, topInk = img.height(), bottomInk = -1;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (Light(img.pixelColor(x, y))) {
                    left = std::min(left, x);
                    right = std::max(right, x);
                    topInk = std::min(topInk, y);
                    bottomInk = std::max(bottomInk, y);
                }
        QVERIFY2(right > left, "no digits drawn");
        const int cell = QFontMetrics(t.w->HamUra->font()).horizontalAdvance('8');
        const int marginLeft = left, marginRight = img.width() - 1 - right;
        QVERIFY2(std::abs(marginLeft - marginRight) < cell / 2,
                 qPrintable(QString("margins %1 and %2").arg(marginLeft).arg(marginRight)));
        QVERIFY(right - left > 6 * cell);  // all eight characters, in 60-pixel type
        const int marginTop = topInk, marginBottom = img.height() - 1 - bottomInk;
        QVERIFY2(std::abs(marginTop - marginBottom) < 20,
                 qPrintable(QString("margins %1 and %2").arg(marginTop).arg(marginBottom)));
    }

    void analogFacePaints()
    {
        Clock t(false);
        t.w->HamUra->setMode(THamUra::Mode::Analog);
        const QImage img = t.render(QSize(307, 300));
        QCOMPARE(CountPixels(img, Red), 0);
        QVERIFY(CountPixels(img, Teal) > 0);   // the five-minute dots
        QVERIFY(CountPixels(img, Light) > 50);  // the hands and the small dots
        // The centre's surroundings carry the hands, the corners only background.
        QCOMPARE(img.pixelColor(0, 0), QColor(Qt::black));
        QCOMPARE(img.pixelColor(306, 299), QColor(Qt::black));
        for (QSize tiny : {QSize(1, 1), QSize(5, 300)}) {
            const QImage small = t.render(tiny);
            QCOMPARE(small.size(), tiny);
        }
    }

    void menuSwitchesModeAndHeight()
    {
        Clock t;
        t.choose(t.w->AnalognaUra);
        QCOMPARE(t.w->HamUra->mode(), THamUra::Mode::Analog);
        QCOMPARE(t.w->height(), 300);
        QCOMPARE(t.w->width(), 307);
        QVERIFY(t.w->AnalognaUra->isChecked());
        QVERIFY(!t.w->DigitalnaUra->isChecked());

        t.choose(t.w->AnalognaUra);  // again: stays analog and checked
        QCOMPARE(t.w->HamUra->mode(), THamUra::Mode::Analog);
        QVERIFY(t.w->AnalognaUra->isChecked());

        t.choose(t.w->DigitalnaUra);
        QCOMPARE(t.w->HamUra->mode(), THamUra::Mode::Digital);
        QCOMPARE(t.w->height(), 150);
        QVERIFY(t.w->DigitalnaUra->isChecked());
        QVERIFY(!t.w->AnalognaUra->isChecked());
    }

    void fontFromDialog_data()
    {
        QTest::addColumn<bool>("ok");
        QTest::newRow("OK") << true;
        QTest::newRow("Cancel") << false;
    }
    void fontFromDialog()
    {
        QFETCH(bool, ok);
        Clock t;
        ScriptedDialogs dlg;
        const QFont before = t.w->HamUra->font();
        const QFont chosen("DejaVu Serif", 24, QFont::Bold);
        if (ok)
            dlg.answerFont(chosen);
        else
            dlg.cancelFont();
        t.choose(t.w->Pisava);
        QCOMPARE(dlg.count(ScriptedDialogs::Question::Font), 1);
        QCOMPARE(dlg.last().value, before.toString());  // the dialog opens with the clock's font
        QCOMPARE(dlg.unusedAnswers(), 0);
        QCOMPARE(t.w->HamUra->font(), ok ? chosen : before);
        QCOMPARE(t.w->HamUra->fontColor(), QColor(Qt::white));
        QCOMPARE(t.w->HamUra->mode(), THamUra::Mode::Digital);
    }

    // ---- where the window goes

    void firstPositionBesideTheMainWindow_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<QRect>("main");
        QTest::addColumn<QPoint>("clock");
        const QSize clock(319, 167);
        QTest::newRow("room on the right") << QRect(0, 0, 1920, 1080) << QRect(300, 200, 799, 635) << QPoint(1107, 200);
        QTest::newRow("right, on a second screen")
            << QRect(1920, 0, 1280, 1024) << QRect(1950, 100, 799, 635) << QPoint(2757, 100);
        QTest::newRow("no room right: below") << QRect(0, 0, 1024, 1024) << QRect(100, 30, 799, 635) << QPoint(100, 673);
        QTest::newRow("below, kept on the screen") << QRect(0, 0, 1024, 1024) << QRect(800, 30, 799, 635)
                                                   << QPoint(1024 - 319, 673);
        QTest::newRow("main on the right: left of it") << QRect(0, 0, 1280, 800) << QRect(470, 0, 799, 635)
                                                       << QPoint(143, 0);
        QTest::newRow("top of a tall clock kept on screen")
            << QRect(0, 0, 1280, 700) << QRect(10, 600, 799, 100) << QPoint(817, 700 - 167);
        Q_UNUSED(clock);
    }
    void firstPositionBesideTheMainWindow()
    {
        QFETCH(QRect, screen);
        QFETCH(QRect, main);
        QFETCH(QPoint, clock);
        const QSize size(319, 167);
        const QPoint at = ClockFirstPosition(main, size, screen);
        QCOMPARE(at, clock);
        const QRect placed(at, size);
        QVERIFY(!placed.intersects(main));  // never over it
        QVERIFY(screen.contains(placed));
    }

    void noRoomAnywhereKeepsClearOfTheMenus()
    {
        const QRect screen(0, 0, 800, 600);
        const QRect main(0, 0, 799, 611);  // the main window fills the screen
        const QSize size(319, 167);
        const QRect placed(ClockFirstPosition(main, size, screen), size);
        QCOMPARE(placed.bottomRight(), screen.bottomRight());
        QVERIFY(placed.top() > main.top() + 100);  // the menu bar and the toolbars stay free
    }

    void mainWindowAndClockFitTogetherAtFirstStart_data()
    {
        QTest::addColumn<QRect>("screen");
        QTest::addColumn<bool>("sideBySide");
        QTest::newRow("wide") << QRect(0, 0, 1920, 1080) << true;
        QTest::newRow("wide, with a panel on the left") << QRect(64, 27, 1856, 1053) << true;
        QTest::newRow("narrow and tall") << QRect(0, 0, 1024, 1200) << false;
    }
    void mainWindowAndClockFitTogetherAtFirstStart()
    {
        QFETCH(QRect, screen);
        QFETCH(bool, sideBySide);
        const QSize mainSize(799, 635), clockSize(319, 167);
        const QRect main(MainFirstPosition(mainSize, clockSize, screen), mainSize);
        const QRect clock(ClockFirstPosition(main, clockSize, screen), clockSize);
        QVERIFY(screen.contains(main));
        QVERIFY(screen.contains(clock));
        QVERIFY(!clock.intersects(main));
        QCOMPARE(clock.left() > main.right(), sideBySide);
        QCOMPARE(clock.top() > main.bottom(), !sideBySide);
        // The pair is centred.
        const QRect both = main.united(clock);
        QVERIFY(qAbs((both.left() - screen.left()) - (screen.right() - both.right())) <= 1);
    }

    void storedPositionKeptOnAScreen_data()
    {
        QTest::addColumn<QRect>("stored");
        QTest::addColumn<QPoint>("shown");
        // Two screens side by side: 1920 x 1080 and, to the right, 1280 x 1024.
        QTest::newRow("on the first screen") << QRect(100, 100, 319, 167) << QPoint(100, 100);
        QTest::newRow("on the second screen") << QRect(2500, 700, 319, 167) << QPoint(2500, 700);
        QTest::newRow("partly off, still taken by its title") << QRect(1800, 1000, 319, 167) << QPoint(1800, 1000);
        QTest::newRow("a screen that is gone") << QRect(3500, 300, 319, 167) << QPoint(3200 - 319, 300);
        QTest::newRow("below every screen") << QRect(500, 1500, 319, 167) << QPoint(500, 1080 - 167);
        QTest::newRow("above and left") << QRect(-900, -400, 319, 167) << QPoint(0, 0);
        QTest::newRow("only a sliver shows") << QRect(-310, 50, 319, 167) << QPoint(0, 50);
    }
    void storedPositionKeptOnAScreen()
    {
        QFETCH(QRect, stored);
        QFETCH(QPoint, shown);
        const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
        QCOMPARE(KeepOnScreen(stored, screens), shown);
    }

    void toggleAndClose()
    {
        Clock t(false);
        QVERIFY(!t.w->isVisible());
        t.w->Toggle();
        QVERIFY(t.w->isVisible());
        t.w->Toggle();
        QVERIFY(!t.w->isVisible());
        t.w->Toggle();
        QVERIFY(t.w->isVisible());
        // Its own close button only hides it: the toolbar brings it back as it was.
        t.w->setHeight(300);
        QVERIFY(t.w->close());
        QVERIFY(!t.w->isVisible());
        t.w->Toggle();
        QVERIFY(t.w->isVisible());
        QCOMPARE(t.w->height(), 300);
        QVERIFY(!t.w->testAttribute(Qt::WA_QuitOnClose));
    }
};

QTEST_MAIN(ClockTest)
#include "clock_test.moc"
