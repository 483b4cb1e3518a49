#include "keyer/CwKeyer.h"

#include "keyer/zlportio.h"

#include <QPointer>
#include <QScopeGuard>
#include <algorithm>

namespace zox {

namespace {

// Input handling that takes longer than this (paddle elements, a dialog, a
// repaint of the whole window) pauses the send instead of being made up by
// shortening the elements that follow. Shorter delays are caught up.
constexpr KeyerPlatform::Time kInputPause = std::chrono::milliseconds(1);

}  // namespace

TCwKeyer::TCwKeyer(KeyerPlatform* platform, QObject* parent)
    : QObject(parent), m_platform(platform ? platform : &RealKeyerPlatform())
{
    for (int slot = 1; slot <= 8; ++slot) m_memory[slot] = QStringLiteral("F") + QString::number(slot + 1);
}

TCwKeyer::~TCwKeyer()
{
    ReleaseKey();
}

void TCwKeyer::SetTone(qint32 hertz)
{
    // The tone divides the timer clock.
    m_tone = std::clamp(hertz, kMinTone, kMaxTone);
}

void TCwKeyer::SetSpeed(qint32 speed)
{
    // Held in range: the dot length divides by it and the saved speed keeps 8 bits.
    speed = std::clamp(speed, kMinSpeed, kMaxSpeed);
    if (speed == m_speed) return;
    m_speed = speed;
    m_dotLength = static_cast<quint8>(kTimingConstant / speed);
}

qint32 TCwKeyer::NormalSpeed() const
{
    return (m_faster || m_fastest) ? m_normalSpeed : m_speed;
}

void TCwKeyer::SetNormalSpeed(qint32 speed)
{
    speed = std::clamp(speed, kMinSpeed, kMaxSpeed);
    if (!m_faster && !m_fastest) {
        SetSpeed(speed);
        return;
    }
    m_normalSpeed = speed;
    // With one section open, its closing marker comes back to the saved speed:
    // that is the normal one.
    if (m_faster != m_fastest) m_savedSpeed = static_cast<quint8>(speed);
}

void TCwKeyer::SetHiSpeed(qint32 speed)
{
    m_hiSpeed = std::clamp(speed, kMinSpeed, kMaxSpeed);
}

void TCwKeyer::SetHiSpeed1(qint32 speed)
{
    m_hiSpeed1 = std::clamp(speed, kMinSpeed, kMaxSpeed);
}

int TCwKeyer::TablePosition(QChar ch)
{
    if (ch == QLatin1Char(' ')) return kSpacePosition;
    if (ch == QLatin1Char('?')) return kQuestionPosition;
    for (int p = 1; p <= 63; ++p) {
        if (ch == QLatin1Char(kMorseTable[p - 1])) return p;
    }
    return kSilentPosition;
}

QString TCwKeyer::ElementsOf(int position)
{
    QString elements;
    for (quint32 code = quint32(position) + 1; code > 1; code >>= 1)
        elements.prepend((code & 1) ? QLatin1Char('-') : QLatin1Char('.'));
    return elements;
}

void TCwKeyer::TSchedule::Wait(KeyerPlatform& platform, int milliseconds)
{
    Offset += std::chrono::milliseconds(milliseconds);
    platform.SleepUntil(Start + Offset);
}

void TCwKeyer::WriteControl(quint8 value)
{
    m_keyDown = value & kKeyBit;
    LptWriteControl(m_lptPort, value);
}

void TCwKeyer::Sidetone(bool on)
{
    m_toneOn = on;
    if (on) ToneOn(m_tone);
    else ToneOff();
}

void TCwKeyer::ReleaseKey()
{
    if (m_keyDown) WriteControl(m_controlBase);
    if (m_toneOn) Sidetone(false);
}

void TCwKeyer::CloseSections()
{
    if (m_faster || m_fastest) SetSpeed(m_normalSpeed);
    m_faster = false;
    m_fastest = false;
}

bool TCwKeyer::ProcessInput(TSchedule& schedule)
{
    KeyerPlatform& platform = *m_platform;
    const QPointer<TCwKeyer> alive(this);
    const auto before = platform.Now();
    platform.ProcessEvents();
    if (!alive) return false;
    if (OnProcessInput) {
        const auto hook = OnProcessInput;  // the hook may replace itself or destroy the keyer
        hook();
        if (!alive) return false;
    }
    const auto spent = platform.Now() - before;
    if (spent > kInputPause) schedule.Start += spent;
    return true;
}

void TCwKeyer::SendText(const QString& text)
{
    // A send started inside another replaces its rest: that one stops here.
    CloseSections();
    m_stop = false;
    m_paddleCode = 0;
    m_controlBase = kAuxBit;

    // Only a..z are raised: every other character is keyed (or silent) as it is.
    QString upper = text;
    for (QChar& c : upper) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
    }

    // Stopped, replaced or left by an exception: the normal speed comes back.
    const QPointer<TCwKeyer> alive(this);
    bool toTheEnd = false;
    const auto onExit = qScopeGuard([&] {
        if (alive && !toTheEnd) CloseSections();
    });

    TSchedule schedule{m_platform->Now()};
    for (qsizetype i = 0; i < upper.size(); ++i) {
        const QChar c = upper[i];
        if (!ProcessInput(schedule)) return;
        if (m_stop) return;
        // "$" and "%" share the one saved speed.
        if ((c == QLatin1Char('$') || c == QLatin1Char('%')) && !m_faster && !m_fastest) m_normalSpeed = m_speed;
        if (c == QLatin1Char('$')) {
            if (!m_fastest) {
                m_savedSpeed = static_cast<quint8>(m_speed & 0xFF);
                SetSpeed(m_hiSpeed1);
                m_fastest = true;
            } else {
                SetSpeed(m_savedSpeed);
                m_fastest = false;
            }
        }
        if (c == QLatin1Char('%')) {
            if (!m_faster) {
                m_savedSpeed = static_cast<quint8>(m_speed & 0xFF);
                SetSpeed(m_hiSpeed);
                m_faster = true;
            } else {
                SetSpeed(m_savedSpeed);
                m_faster = false;
            }
        }
        if (OnCharacter) OnCharacter(int(i));
        if (!KeyChar(c, schedule)) return;
    }
    // Run to its end, a section left open keeps its speed in force.
    toTheEnd = true;
    m_faster = false;
    m_fastest = false;
    m_stop = true;
}

void TCwKeyer::SendChar(QChar ch)
{
    TSchedule schedule{m_platform->Now()};
    KeyChar(ch, schedule);
}

bool TCwKeyer::KeyChar(QChar ch, TSchedule& schedule)
{
    // Slots 1..8; the elements end in slot 6, slots 7 and 8 are the gap after the character.
    std::array<int, 9> elements{};
    int first = 6;
    int p = TablePosition(ch);
    if (p != kSilentPosition && p != kSpacePosition) {
        while (p != 0) {
            if (p % 2 == 1) {
                elements[first] = 1;
            } else {
                elements[first] = 3;
                p -= 1;
            }
            p = (p - 1) / 2;
            if (p > 0) --first;
        }
    }

    // Left by an exception (from input handling or a sleep): key up all the same.
    const QPointer<TCwKeyer> alive(this);
    const auto onExit = qScopeGuard([&] {
        if (alive) ReleaseKey();
    });
    for (int slot = first; slot <= 8; ++slot) {
        if (!ProcessInput(schedule)) return false;
        if (m_stop) return true;  // the key is up here
        if (elements[slot] != 0) {
            WriteControl(m_controlBase + kKeyBit);
            if (m_speaker) Sidetone(true);
            schedule.Wait(*m_platform, elements[slot] * m_dotLength);
        }
        // Every slot ends with the short manual-bits pulse, then key up.
        WriteControl(m_controlBase + kManualKeyBits + kKeyBit);
        WriteControl(m_controlBase);
        if (m_speaker) Sidetone(false);
        schedule.Wait(*m_platform, m_dotLength);
    }
    return true;
}

void TCwKeyer::Paddle(quint8 bit, quint32 add, int units)
{
    if (LptReadStatus(m_lptPort) & bit) return;  // contact open
    // Left by an exception while sleeping: key up all the same.
    const QPointer<TCwKeyer> alive(this);
    const auto onExit = qScopeGuard([&] {
        if (alive) ReleaseKey();
    });
    WriteControl(m_controlBase + kManualKeyBits + kKeyBit);
    if (m_speaker) Sidetone(true);
    m_paddleCode = m_paddleCode * 2 + add;  // wraps modulo 2^32
    TSchedule schedule{m_platform->Now()};
    schedule.Wait(*m_platform, units * m_dotLength);
    if (m_speaker) Sidetone(false);
    WriteControl(m_controlBase);
    schedule.Wait(*m_platform, m_dotLength);
}

void TCwKeyer::PollDot()
{
    Paddle(kDotPaddleBit, 1, 1);
}

void TCwKeyer::PollDash()
{
    Paddle(kDashPaddleBit, 2, 3);
}

bool TCwKeyer::ReadPaddleChar(QString& text)
{
    if (!m_pisem) return false;
    if (!(LptReadStatus(m_lptPort) & kDashPaddleBit)) return false;
    if (!(LptReadStatus(m_lptPort) & kDotPaddleBit)) return false;
    bool delivered = false;
    if (m_paddleCode >= 1 && m_paddleCode <= 63) {
        text = QString(QLatin1Char(kMorseTable[m_paddleCode - 1]));
        delivered = true;
    } else if (m_paddleCode == quint32(kQuestionPosition)) {
        text = QStringLiteral("?");
        delivered = true;
    }
    m_paddleCode = 0;
    return delivered;
}

void TCwKeyer::ManualKeyDown()
{
    WriteControl(m_controlBase + kManualKeyBits + kKeyBit);
}

void TCwKeyer::ManualKeyUp()
{
    WriteControl(m_controlBase);
}

}  // namespace zox
