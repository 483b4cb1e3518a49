#include "keyer/CwKeyer.h"

#include "keyer/zlportio.h"

#include <QPointer>
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
    LptWriteControl(m_lptPort, value);
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
    m_stop = false;
    m_paddleCode = 0;
    m_controlBase = kAuxBit;

    // Only a..z are raised: every other character is keyed (or silent) as it is.
    QString upper = text;
    for (QChar& c : upper) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z')) c = QChar(c.unicode() - 'a' + 'A');
    }

    bool faster = false;
    bool fastest = false;
    TSchedule schedule{m_platform->Now()};
    for (const QChar c : std::as_const(upper)) {
        if (!ProcessInput(schedule)) return;
        if (m_stop) return;  // the speed of an open section stays in force
        // "$" and "%" share the one saved speed.
        if (c == QLatin1Char('$')) {
            if (!fastest) {
                m_savedSpeed = static_cast<quint8>(m_speed & 0xFF);
                SetSpeed(m_hiSpeed1);
                fastest = true;
            } else {
                SetSpeed(m_savedSpeed);
                fastest = false;
            }
        }
        if (c == QLatin1Char('%')) {
            if (!faster) {
                m_savedSpeed = static_cast<quint8>(m_speed & 0xFF);
                SetSpeed(m_hiSpeed);
                faster = true;
            } else {
                SetSpeed(m_savedSpeed);
                faster = false;
            }
        }
        if (!KeyChar(c, schedule)) return;
    }
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

    for (int slot = first; slot <= 8; ++slot) {
        if (!ProcessInput(schedule)) return false;
        if (m_stop) return true;  // the key is up here
        if (elements[slot] != 0) {
            WriteControl(m_controlBase + kKeyBit);
            if (m_speaker) ToneOn(m_tone);
            schedule.Wait(*m_platform, elements[slot] * m_dotLength);
        }
        // Every slot ends with the short manual-bits pulse, then key up.
        WriteControl(m_controlBase + kManualKeyBits + kKeyBit);
        WriteControl(m_controlBase);
        if (m_speaker) ToneOff();
        schedule.Wait(*m_platform, m_dotLength);
    }
    return true;
}

void TCwKeyer::Paddle(quint8 bit, quint32 add, int units)
{
    if (LptReadStatus(m_lptPort) & bit) return;  // contact open
    WriteControl(m_controlBase + kManualKeyBits + kKeyBit);
    if (m_speaker) ToneOn(m_tone);
    m_paddleCode = m_paddleCode * 2 + add;  // wraps modulo 2^32
    TSchedule schedule{m_platform->Now()};
    schedule.Wait(*m_platform, units * m_dotLength);
    if (m_speaker) ToneOff();
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
