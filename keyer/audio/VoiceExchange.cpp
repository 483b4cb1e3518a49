#include "keyer/audio/VoiceExchange.h"

#include <QFile>
#include <QTimer>

#include <algorithm>

namespace zox {

QStringList VoiceExchangeDigits(const QString& ownYear)
{
    const QString year = ownYear.trimmed();
    if (year.size() != 2) return {};
    // Only 0..9 have files (QChar::isDigit takes every script's digits).
    for (QChar c : year)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return {};
    QStringList digits;
    for (QChar c : kVoiceReport + year) digits << QString(c);
    return digits;
}

QStringList VoiceExchangeFiles(const QString& ownYear)
{
    QStringList files;
    for (const QString& d : VoiceExchangeDigits(ownYear)) files << kDigitFiles[std::size_t(d[0].unicode() - '0')];
    return files;
}

namespace {

quint32 Le32(const QByteArray& b, qsizetype at)
{
    return quint32(quint8(b[at])) | (quint32(quint8(b[at + 1])) << 8) | (quint32(quint8(b[at + 2])) << 16) |
           (quint32(quint8(b[at + 3])) << 24);
}

}  // namespace

std::optional<int> WavLengthMs(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return std::nullopt;
    const QByteArray riff = f.read(12);
    if (riff.size() != 12 || !riff.startsWith("RIFF") || riff.mid(8, 4) != "WAVE") return std::nullopt;

    quint32 byteRate = 0;
    for (;;) {
        const QByteArray head = f.read(8);
        if (head.size() != 8) return std::nullopt;
        const QByteArray id = head.left(4);
        const quint64 size = Le32(head, 4);
        const qint64 body = f.pos();
        if (id == "fmt ") {
            const QByteArray fmt = f.read(16);
            if (fmt.size() != 16) return std::nullopt;
            byteRate = Le32(fmt, 8);
        } else if (id == "data") {
            if (byteRate == 0) return std::nullopt;  // no format before the data
            // A file written as a stream may give a size larger than what is there.
            const quint64 present = quint64(f.size() - body);
            const quint64 bytes = std::min(size, present);
            return int((bytes * 1000 + byteRate - 1) / byteRate);
        }
        // Chunks are padded to an even length.
        if (!f.seek(body + qint64(size + (size & 1)))) return std::nullopt;
    }
}

TVoicePlayer::TVoicePlayer(TWavSound& ws, QObject* parent) : QObject(parent), m_ws(&ws)
{
    After = [this](int ms, std::function<void()> then) { QTimer::singleShot(ms, this, std::move(then)); };
    ws.OnEnd = [this] {
        if (Playing() && m_index >= 0) Next();  // not during the lead
    };
}

TVoicePlayer::~TVoicePlayer()
{
    if (m_ws) m_ws->OnEnd = nullptr;
}

void TVoicePlayer::Play(const QStringList& paths)
{
    Stop();
    m_paths = paths;
    m_index = -1;
    m_active = true;
    if (!Lead) {
        Next();
        return;
    }
    const quint64 turn = ++m_turn;
    Lead([self = QPointer<TVoicePlayer>(this), turn] {
        if (self && turn == self->m_turn) self->Next();
    });
}

void TVoicePlayer::Stop()
{
    if (!Playing()) return;
    if (m_ws) m_ws->SetSoundFile(QString());  // stops the sound
    Finish();
}

void TVoicePlayer::Finish()
{
    ++m_turn;
    m_active = false;
    m_index = -1;
    m_paths.clear();
    if (OnDone) OnDone();
}

void TVoicePlayer::Next()
{
    const quint64 turn = ++m_turn;
    if (m_index + 1 >= m_paths.size()) {
        Finish();
        return;
    }
    ++m_index;
    const QString path = m_paths[m_index];
    if (OnFile) OnFile(m_index);
    if (turn != m_turn) return;  // stopped or restarted from OnFile
    if (!m_ws) {
        Finish();
        return;
    }
    // Setting the file stops the one before (it has ended by now).
    m_ws->SetSoundFile(path);
    m_ws->SetActive(true);
    const std::optional<int> length = WavLengthMs(path);
    After(length ? *length + kEndMarginMs : 0, [this, turn] {
        if (turn == m_turn) Next();
    });
}

}  // namespace zox
