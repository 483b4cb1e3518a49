#include "keyer/WaveFile.h"

#include <QSaveFile>

#include <limits>

namespace zox {

namespace {

void Le16(QByteArray& b, quint16 v)
{
    b.append(char(v & 0xFF));
    b.append(char(v >> 8));
}

void Le32(QByteArray& b, quint32 v)
{
    for (int i = 0; i < 4; ++i) b.append(char((v >> (8 * i)) & 0xFF));
}

}  // namespace

bool WriteMonoWave(const QString& path, const std::vector<qint16>& samples, int sampleRate, QString& error)
{
    const quint64 dataBytes = quint64(samples.size()) * 2;
    if (dataBytes > std::numeric_limits<quint32>::max() - 36) {
        error = QStringLiteral("too long for a wave file");
        return false;
    }
    QByteArray head;
    head.append("RIFF");
    Le32(head, quint32(36 + dataBytes));
    head.append("WAVE");
    head.append("fmt ");
    Le32(head, 16);
    Le16(head, 1);  // PCM
    Le16(head, 1);  // mono
    Le32(head, quint32(sampleRate));
    Le32(head, quint32(sampleRate) * 2);  // bytes per second
    Le16(head, 2);                        // bytes per frame
    Le16(head, 16);
    head.append("data");
    Le32(head, quint32(dataBytes));

    QByteArray data;
    data.reserve(qsizetype(dataBytes));
    for (qint16 s : samples) Le16(data, quint16(s));

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(head) != head.size() || file.write(data) != data.size() ||
        !file.commit()) {
        error = file.errorString();
        return false;
    }
    return true;
}

}  // namespace zox
