#pragma once
// The writer of the program's text files: code page 1250, CR LF after every
// line, no byte-order mark. A file is written beside its destination and takes
// its place only when complete, so a failure never leaves half a file over a
// good one.

#include <QByteArray>
#include <QSaveFile>
#include <QString>
#include <QStringEncoder>

#include <stdexcept>

namespace zox {

// A file that cannot be created or written; the text names the file and gives
// the system's reason.
class FileError : public std::runtime_error {
public:
    explicit FileError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

class TProFileStream {
public:
    // Starts a new file that replaces `fileName` on Commit; raises FileError
    // when it cannot be created.
    explicit TProFileStream(const QString& fileName);
    // Without Commit the new file is dropped and the old one stays.
    ~TProFileStream();
    TProFileStream(const TProFileStream&) = delete;
    TProFileStream& operator=(const TProFileStream&) = delete;

    void WriteLine(const QString& text);
    // Writes the rest, syncs it to disk and puts the file in place.
    void Commit();

    QString FileName() const { return m_fileName; }

private:
    void flush();
    [[noreturn]] void fail();

    QString m_fileName;
    QSaveFile m_file;
    QStringEncoder m_encoder;
    QByteArray m_buffer;
};

// Length of a text in code page 1250 bytes as written to a file: "Točke" is
// 5 long.
int Cp1250Length(const QString& text);

// Fill in front of (PadLeft) or after (PadRight) the text up to `width` bytes;
// a longer text is returned whole.
QString PadLeft(const QString& text, int width, QChar fill = u' ');
QString PadRight(const QString& text, int width, QChar fill = u' ');

}  // namespace zox
