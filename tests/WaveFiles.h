#pragma once
// Wave files of a given length for the voice tests, with the chunks a
// recorder may put around the ones that matter.
#include <QByteArray>
#include <QFile>
#include <QString>

namespace zox::test {

// `ms` milliseconds of 16-bit mono at 8000 Hz. extras: an 18-byte format
// chunk and an odd-sized LIST chunk (padded) before the data. claimedData:
// the size the data chunk gives, when it is not the real one.
inline QByteArray WaveFile(int ms, bool extras = false, qint64 claimedData = -1)
{
    auto le32 = [](quint32 v) {
        QByteArray b(4, '\0');
        for (int i = 0; i < 4; ++i) b[i] = char(v >> (8 * i));
        return b;
    };
    auto le16 = [](quint16 v) { return QByteArray(1, char(v & 0xFF)) + QByteArray(1, char(v >> 8)); };
    const quint32 rate = 8000, bytesPerSecond = rate * 2;
    const QByteArray data(int(qint64(ms) * bytesPerSecond / 1000), '\x10');
    QByteArray fmt = le16(1) + le16(1) + le32(rate) + le32(bytesPerSecond) + le16(2) + le16(16);
    if (extras) fmt += le16(0);
    QByteArray body = "WAVE" + QByteArray("fmt ") + le32(quint32(fmt.size())) + fmt;
    if (extras) body += QByteArray("LIST") + le32(5) + QByteArray("INFOx") + QByteArray(1, '\0');
    body += QByteArray("data") + le32(quint32(claimedData >= 0 ? claimedData : data.size())) + data;
    return "RIFF" + le32(quint32(body.size())) + body;
}

inline bool WriteWaveFile(const QString& path, int ms)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(WaveFile(ms)) > 0;
}

}  // namespace zox::test
