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
