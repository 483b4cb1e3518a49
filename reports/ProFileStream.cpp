#include "reports/ProFileStream.h"

#include "app/IniFile.h"

#include <QDir>

namespace zox {

namespace {

constexpr qsizetype kFlushAt = 64 * 1024;

bool isAscii(const QString& text)
{
    for (QChar c : text)
        if (c.unicode() >= 0x80) return false;
    return true;
}

}  // namespace

TProFileStream::TProFileStream(const QString& fileName)
    : m_fileName(fileName), m_file(fileName), m_encoder("windows-1250", QStringConverter::Flag::Stateless)
{
    if (!m_encoder.isValid()) throw FileError(m_fileName + QStringLiteral(": ") + CodePageMissingText());
    // Unbuffered: we buffer ourselves and see every short write.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) fail();
    m_buffer.reserve(kFlushAt + 4096);
}

TProFileStream::~TProFileStream()
{
    if (m_file.isOpen()) m_file.cancelWriting();
}

void TProFileStream::fail()
{
    const QString reason = m_file.errorString();
    m_file.cancelWriting();
    if (m_file.isOpen()) m_file.commit();  // only closes: writing was cancelled
    throw FileError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_fileName), reason));
}

void TProFileStream::WriteLine(const QString& text)
{
    if (!m_file.isOpen()) throw FileError(QStringLiteral("%1: the file is closed").arg(QDir::toNativeSeparators(m_fileName)));
    if (isAscii(text)) m_buffer += text.toLatin1();
    else m_buffer += m_encoder(text);
    m_buffer += "\r\n";
    if (m_buffer.size() >= kFlushAt) flush();
}

void TProFileStream::flush()
{
    qsizetype done = 0;
    while (done < m_buffer.size()) {
        // QSaveFile takes a short write quietly; the next call reports the reason.
        const qint64 n = m_file.write(m_buffer.constData() + done, m_buffer.size() - done);
        if (n <= 0) fail();
        done += n;
    }
    m_buffer.clear();
}

void TProFileStream::Commit()
{
    if (!m_file.isOpen()) throw FileError(QStringLiteral("%1: the file is closed").arg(QDir::toNativeSeparators(m_fileName)));
    flush();
    if (!m_file.commit()) {
        const QString reason = m_file.errorString();
        throw FileError(QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_fileName), reason));
    }
}

int Cp1250Length(const QString& text)
{
    if (isAscii(text)) return int(text.size());
    // Whatever the encoder makes of characters outside the code page is what
    // lands in the file, so ask it.
    thread_local QStringEncoder enc("windows-1250", QStringConverter::Flag::Stateless);
    return int(QByteArray(enc(text)).size());
}

QString PadLeft(const QString& text, int width, QChar fill)
{
    const int len = Cp1250Length(text);
    return len < width ? QString(width - len, fill) + text : text;
}

QString PadRight(const QString& text, int width, QChar fill)
{
    const int len = Cp1250Length(text);
    return len < width ? text + QString(width - len, fill) : text;
}

}  // namespace zox
