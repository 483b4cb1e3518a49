#pragma once
// The floating clock window "Ura" and its clock HamUra.

#include <QColor>
#include <QDateTime>
#include <QFont>
#include <QTime>
#include <QWidget>

#include <functional>

class QAction;
class QMenu;
class QPainter;
class QTimer;

namespace zox {

// A digital or analog clock. Every refresh it takes the local time of day and hands
// it to OnGetTime, which may replace it, and shows what comes back.
class THamUra : public QWidget {
    Q_OBJECT
    // The stored properties' names: HamUra.Font (with its colour).
    Q_PROPERTY(QFont Font READ font WRITE setFont)
    Q_PROPERTY(QColor FontColor READ fontColor WRITE setFontColor)
    Q_PROPERTY(QColor Color READ backgroundColor WRITE setBackgroundColor)
public:
    enum class Mode { Digital, Analog };
    static constexpr int RefreshInterval = 450;  // ms; a change of time mode shows within half a second

    explicit THamUra(QWidget* parent = nullptr);

    Mode mode() const { return mode_; }
    void setMode(Mode mode);

    QColor fontColor() const { return fontColor_; }
    void setFontColor(const QColor& color);
    QColor backgroundColor() const { return backColor_; }
    void setBackgroundColor(const QColor& color);
    static QFont DefaultFont();  // "Tahoma", 60-pixel characters

    // The source of local now; the real clock unless a test puts in its own.
    void setLocalClock(std::function<QDateTime()> localNow);
    // The time-source hook (in and out).
    std::function<void(QTime&)> OnGetTime;

    // Takes the time again and repaints; the timer calls it every RefreshInterval.
    void refresh();
    QTime time() const { return time_; }  // the time shown
    QString text() const;                  // the digital face, "hh:mm:ss"
    QTimer* timer() const { return timer_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void paintDigital(QPainter& p);
    void paintAnalog(QPainter& p);

    Mode mode_ = Mode::Digital;
    QColor fontColor_ = Qt::white;
    QColor backColor_ = Qt::black;
    std::function<QDateTime()> localNow_;
    QTime time_{0, 0, 0};
    QTimer* timer_ = nullptr;
};

// Where the windows go at the first start, in frame coordinates on a screen's free area.
// The main window is centred, together with the clock beside it where they fit side by
// side (else one above the other).
QPoint MainFirstPosition(const QSize& mainFrame, const QSize& clockFrame, const QRect& screen);
// The clock beside the main window, never over it where the screen has room: to its
// right, else below it, else to its left or above it; with no room anywhere, in the
// screen's lower right corner, away from the main window's menus.
QPoint ClockFirstPosition(const QRect& mainFrame, const QSize& clockFrame, const QRect& screen);
// A stored window position kept where it can be seen and taken by its title: unchanged
// when enough of the window lies on one of the screens, else moved onto the nearest one.
QPoint KeepOnScreen(const QRect& frame, const QList<QRect>& screens);

class TUra;
// The first start: the main window (unless its placement was restored) and the clock
// beside it, placed before they are shown.
void PlaceAtFirstStart(QWidget* main, TUra* clock, bool mainPlaced);

// The clock's floating tool window.
class TUra : public QWidget {
    Q_OBJECT
    // The stored properties' names: Ura.Left, Ura.Top, Ura.Width, Ura.Height.
    // Left and Top are the frame's position, Width and Height the client area's size,
    // so that what is stored comes back the same on the next start.
    Q_PROPERTY(int Left READ left WRITE setLeft)
    Q_PROPERTY(int Top READ top WRITE setTop)
    Q_PROPERTY(int Width READ width WRITE setWidth)
    Q_PROPERTY(int Height READ height WRITE setHeight)
public:
    static constexpr int DesignWidth = 307;
    static constexpr int DesignHeight = 131;
    static constexpr int DigitalHeight = 150;
    static constexpr int AnalogHeight = 300;

    explicit TUra(QWidget* parent = nullptr);

    int left() const { return x(); }
    int top() const { return y(); }
    void setLeft(int left);
    void setTop(int top);
    void setWidth(int width);
    void setHeight(int height);

    // First start: beside `main` (see ClockFirstPosition). Later starts: the restored
    // position, kept on a screen.
    void PlaceBeside(const QWidget* main);
    void KeepOnScreen();

    // In UTC mode the clock shows UTC instead of local time.
    void HamUraGetTime(QTime& time);
    // The source of UTC now; NowUtc unless a test puts in its own.
    void setUtcClock(std::function<QDateTime()> utcNow);

    THamUra* HamUra = nullptr;
    QMenu* UraMnu = nullptr;
    QAction* Pisava = nullptr;
    QAction* DigitalnaUra = nullptr;
    QAction* AnalognaUra = nullptr;

public slots:
    void Toggle();  // shows the window when hidden, hides it when shown
    void PisavaClick();
    void DigitalnaUraClick();
    void AnalognaUraClick();

private:
    std::function<QDateTime()> utcNow_;
};

}  // namespace zox
