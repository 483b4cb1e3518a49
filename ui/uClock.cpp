#include "ui/uClock.h"

#include "app/TimeBase.h"
#include "app/uGlob.h"
#include "ui/base/Dialogs.h"

#include <QAction>
#include <QActionGroup>
#include <QFontMetricsF>
#include <QMenu>
#include <QPainter>
#include <QPolygonF>
#include <QScreen>
#include <QGuiApplication>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace zox {

namespace {

const QColor Teal(0, 128, 128);

// Unit vector of a clock angle: 0 degrees points at twelve, growing clockwise.
QPointF Direction(double degrees)
{
    const double a = degrees * std::numbers::pi / 180.0;
    return {std::sin(a), -std::cos(a)};
}

// A hand as a narrow diamond: tip, one side, tail, other side.
QPolygonF Diamond(QPointF centre, double degrees, double length, double tail, double width)
{
    const QPointF d = Direction(degrees);
    const QPointF n(-d.y(), d.x());
    return QPolygonF({centre + d * length, centre + n * (width / 2), centre - d * tail, centre - n * (width / 2)});
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Placement

namespace {

constexpr int kGap = 8;
// The window manager's frame is not known before a window is first shown.
const QSize kFrameAllowance(12, 36);

QSize FrameSize(const QWidget* w)
{
    const QSize decoration = w->frameGeometry().size() - w->size();
    return w->size() + (decoration.isEmpty() ? kFrameAllowance : decoration);
}

QRect AvailableFor(const QWidget* w)
{
    const QScreen* s = w->screen() ? w->screen() : QGuiApplication::primaryScreen();
    return s ? s->availableGeometry() : QRect(0, 0, 1024, 768);
}

int Clamp(int v, int low, int high) { return std::max(low, std::min(v, high)); }

}  // namespace

QPoint MainFirstPosition(const QSize& mainFrame, const QSize& clockFrame, const QRect& screen)
{
    auto centred = [](int size, int start, int length) { return start + std::max(0, (length - size) / 2); };
    const int sideBySide = mainFrame.width() + kGap + clockFrame.width();
    if (sideBySide <= screen.width())
        return {centred(sideBySide, screen.left(), screen.width()), centred(mainFrame.height(), screen.top(), screen.height())};
    const int stacked = mainFrame.height() + kGap + clockFrame.height();
    const int top = stacked <= screen.height() ? centred(stacked, screen.top(), screen.height())
                                               : centred(mainFrame.height(), screen.top(), screen.height());
    return {centred(mainFrame.width(), screen.left(), screen.width()), top};
}

QPoint ClockFirstPosition(const QRect& mainFrame, const QSize& clockFrame, const QRect& screen)
{
    const int maxLeft = screen.right() + 1 - clockFrame.width();
    const int maxTop = screen.bottom() + 1 - clockFrame.height();
    const int besideTop = Clamp(mainFrame.top(), screen.top(), std::max(screen.top(), maxTop));
    const int besideLeft = Clamp(mainFrame.left(), screen.left(), std::max(screen.left(), maxLeft));
    if (const int x = mainFrame.right() + 1 + kGap; x <= maxLeft) return {x, besideTop};
    if (const int y = mainFrame.bottom() + 1 + kGap; y <= maxTop) return {besideLeft, y};
    if (const int x = mainFrame.left() - kGap - clockFrame.width(); x >= screen.left()) return {x, besideTop};
    if (const int y = mainFrame.top() - kGap - clockFrame.height(); y >= screen.top()) return {besideLeft, y};
    return {std::max(screen.left(), maxLeft), std::max(screen.top(), maxTop)};
}

QPoint KeepOnScreen(const QRect& frame, const QList<QRect>& screens)
{
    if (screens.isEmpty()) return frame.topLeft();
    // Enough to see it and to drag it by its title bar.
    const QSize enough(std::min(frame.width(), 60), std::min(frame.height(), 20));
    for (const QRect& s : screens) {
        const QRect seen = s.intersected(frame);
        if (seen.width() >= enough.width() && seen.height() >= enough.height()) return frame.topLeft();
    }
    auto distance = [&](const QRect& s) {
        const QPoint c = frame.center();
        const int dx = std::max({s.left() - c.x(), 0, c.x() - s.right()});
        const int dy = std::max({s.top() - c.y(), 0, c.y() - s.bottom()});
        return qint64(dx) * dx + qint64(dy) * dy;
    };
    const QRect s = *std::min_element(screens.begin(), screens.end(),
                                      [&](const QRect& a, const QRect& b) { return distance(a) < distance(b); });
    return {Clamp(frame.left(), s.left(), std::max(s.left(), s.right() + 1 - frame.width())),
            Clamp(frame.top(), s.top(), std::max(s.top(), s.bottom() + 1 - frame.height()))};
}

// ---------------------------------------------------------------------------------------
// THamUra

THamUra::THamUra(QWidget* parent)
    : QWidget(parent), localNow_([] { return QDateTime::currentDateTime(); })
{
    setObjectName(QStringLiteral("HamUra"));
    setFont(DefaultFont());
    setAttribute(Qt::WA_OpaquePaintEvent);  // paintEvent fills every pixel
    timer_ = new QTimer(this);
    timer_->setInterval(RefreshInterval);
    connect(timer_, &QTimer::timeout, this, &THamUra::refresh);
    timer_->start();
    refresh();
}

QFont THamUra::DefaultFont()
{
    QFont f(QStringLiteral("Tahoma"));
    f.setPixelSize(60);
    f.setStyleHint(QFont::SansSerif);  // where Tahoma is not installed, the nearest sans serif
    return f;
}

void THamUra::setMode(Mode mode)
{
    mode_ = mode;
    update();
}

void THamUra::setFontColor(const QColor& color)
{
    fontColor_ = color;
    update();
}

void THamUra::setBackgroundColor(const QColor& color)
{
    backColor_ = color;
    update();
}

void THamUra::setLocalClock(std::function<QDateTime()> localNow)
{
    localNow_ = std::move(localNow);
}

void THamUra::refresh()
{
    QTime t = localNow_().time();
    if (OnGetTime)
        OnGetTime(t);
    if (t != time_) {
        time_ = t;
        update();
    }
}

QString THamUra::text() const { return time_.toString(QStringLiteral("HH:mm:ss")); }

QSize THamUra::sizeHint() const { return {TUra::DesignWidth, TUra::DesignHeight}; }

QSize THamUra::minimumSizeHint() const { return {0, 0}; }

void THamUra::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), backColor_);
    if (mode_ == Mode::Digital)
        paintDigital(p);
    else
        paintAnalog(p);
}

void THamUra::paintDigital(QPainter& p)
{
    // Every character gets a cell as wide as an "8", so the digits stand still as they change.
    const QString s = text();
    const QFontMetricsF fm(font(), this);
    const double cell = fm.horizontalAdvance(QLatin1Char('8'));
    double x = (width() - cell * s.size()) / 2;
    p.setFont(font());
    p.setPen(fontColor_);
    for (const QChar c : s) {
        p.drawText(QRectF(x, 0, cell, height()), Qt::AlignCenter, QString(c));
        x += cell;
    }
}

void THamUra::paintAnalog(QPainter& p)
{
    const QPointF centre(width() / 2.0, height() / 2.0);
    const double r = std::min(width(), height()) / 2.0 - 2;
    if (r < 4)
        return;  // too small to draw a dial

    const double bigDot = std::max(1.5, r * 0.035);
    const double smallDot = std::max(1.0, r * 0.012);
    const double dotRadius = r - bigDot;
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 60; ++i) {
        const bool big = i % 5 == 0;
        p.setBrush(big ? Teal : fontColor_);
        const double size = big ? bigDot : smallDot;
        p.drawEllipse(centre + Direction(i * 6.0) * dotRadius, size, size);
    }

    const int h = time_.hour(), m = time_.minute(), s = time_.second();
    const double hourAngle = ((h % 12) + m / 60.0 + s / 3600.0) * 30.0;
    const double minuteAngle = (m + s / 60.0) * 6.0;
    const double secondAngle = s * 6.0;

    p.setPen(QPen(fontColor_, 1));
    p.setBrush(fontColor_);
    p.drawPolygon(Diamond(centre, hourAngle, r * 0.60, r * 0.15, r * 0.07));
    p.drawPolygon(Diamond(centre, minuteAngle, r * 0.80, r * 0.20, r * 0.05));

    const QPointF d = Direction(secondAngle);
    p.setPen(QPen(fontColor_, std::max(1.0, r * 0.01)));
    p.drawLine(centre - d * (r * 0.20), centre + d * (r * 0.90));
    p.setPen(Qt::NoPen);
    p.drawEllipse(centre, std::max(1.5, r * 0.03), std::max(1.5, r * 0.03));
}

// ---------------------------------------------------------------------------------------
// TUra

TUra::TUra(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint), utcNow_(&NowUtc)
{
    setObjectName(QStringLiteral("Ura"));
    setWindowTitle(QStringLiteral("Ura"));
    // Closing the clock only hides it; it must never end the program.
    setAttribute(Qt::WA_QuitOnClose, false);

    HamUra = new THamUra(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(HamUra);
    HamUra->OnGetTime = [this](QTime& time) { HamUraGetTime(time); };
    HamUra->refresh();

    UraMnu = new QMenu(this);
    UraMnu->setObjectName(QStringLiteral("UraMnu"));
    Pisava = UraMnu->addAction(QStringLiteral("Pisava"), this, &TUra::PisavaClick);
    Pisava->setObjectName(QStringLiteral("Pisava"));
    DigitalnaUra = UraMnu->addAction(QStringLiteral("Digitalna ura"), this, &TUra::DigitalnaUraClick);
    DigitalnaUra->setObjectName(QStringLiteral("DigitalnaUra"));
    AnalognaUra = UraMnu->addAction(QStringLiteral("Analogna ura"), this, &TUra::AnalognaUraClick);
    AnalognaUra->setObjectName(QStringLiteral("AnalognaUra"));
    auto* modes = new QActionGroup(this);
    for (QAction* a : {DigitalnaUra, AnalognaUra}) {
        a->setCheckable(true);
        modes->addAction(a);
    }
    DigitalnaUra->setChecked(true);

    HamUra->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(HamUra, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { UraMnu->popup(HamUra->mapToGlobal(pos)); });

    resize(DesignWidth, DesignHeight);
}

void TUra::setLeft(int left) { move(left, y()); }
void TUra::setTop(int top) { move(x(), top); }
void TUra::setWidth(int width) { resize(width, height()); }
void TUra::setHeight(int height) { resize(width(), height); }

void TUra::PlaceBeside(const QWidget* main)
{
    move(ClockFirstPosition(QRect(main->pos(), FrameSize(main)), FrameSize(this), AvailableFor(main)));
}

void PlaceAtFirstStart(QWidget* main, TUra* clock, bool mainPlaced)
{
    if (!mainPlaced && !main->isMaximized())
        main->move(MainFirstPosition(FrameSize(main), FrameSize(clock), AvailableFor(main)));
    clock->PlaceBeside(main);
}

void TUra::KeepOnScreen()
{
    QList<QRect> screens;
    for (const QScreen* s : QGuiApplication::screens()) screens << s->availableGeometry();
    move(zox::KeepOnScreen(QRect(pos(), FrameSize(this)), screens));
}

void TUra::HamUraGetTime(QTime& time)
{
    if (UtcMode)
        time = utcNow_().time();
}

void TUra::setUtcClock(std::function<QDateTime()> utcNow) { utcNow_ = std::move(utcNow); }

void TUra::Toggle() { setVisible(!isVisible()); }

void TUra::PisavaClick()
{
    QFont f = HamUra->font();
    if (Dialogs().chooseFont(this, f))
        HamUra->setFont(f);
}

void TUra::DigitalnaUraClick()
{
    DigitalnaUra->setChecked(true);
    HamUra->setMode(THamUra::Mode::Digital);
    setHeight(DigitalHeight);
}

void TUra::AnalognaUraClick()
{
    AnalognaUra->setChecked(true);
    HamUra->setMode(THamUra::Mode::Analog);
    setHeight(AnalogHeight);
}

}  // namespace zox
