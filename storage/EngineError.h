#pragma once
// Every failure of the table engine. Callers decide by kind() (or by the
// engine's own codes), never by the text, which is for the operator: it names
// the file and the operation.

#include <QString>

#include <stdexcept>

namespace zox::storage {

class EngineError : public std::runtime_error {
public:
    enum class Kind {
        Other,
        Busy,          // another program holds the file
        Corrupt,       // the file is damaged
        NotADatabase,  // not a table file at all
        Full,          // the disk is full
        IoError,       // the operating system failed a read, a write or a sync
        ReadOnly,      // the file or its folder cannot be written
        CannotOpen,
        Moved,         // the file was deleted or moved while open
        Usage,         // a call the cursor's state does not allow, or a bad value
    };

    // A failure the engine reported, with its result code and extended code.
    EngineError(const QString& text, int code, int extendedCode);
    // A failure found by this layer itself.
    explicit EngineError(const QString& text, Kind kind = Kind::Usage);

    QString text() const { return QString::fromStdString(what()); }
    Kind kind() const { return m_kind; }
    int code() const { return m_code; }              // 0 when not from the engine
    int extendedCode() const { return m_extended; }  // 0 when not from the engine

private:
    Kind m_kind = Kind::Other;
    int m_code = 0;
    int m_extended = 0;
};

}  // namespace zox::storage
