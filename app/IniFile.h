#pragma once
// The settings file: sections of key=value lines, code page 1250, CR LF.
// Our own reader and writer rather than QSettings, which rewrites keys with
// blanks and writes UTF-8. Everything we do not own stays as it was, byte for
// byte; the file is replaced whole, never half written.

#include <QByteArray>
#include <QString>

#include <stdexcept>
#include <vector>

namespace zox {

class IniFileError : public std::runtime_error {
public:
    explicit IniFileError(const QString& text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

// Whether Qt can convert code page 1250 (through ICU). Without it every text
// file of the program would come out blank, so nothing is read or written then.
bool CodePageAvailable();
QString CodePageMissingText();

class IniFile {
public:
    // Reads the file; a missing file is an empty one. A file that exists but
    // cannot be read raises IniFileError, so that a later save cannot drop
    // what it holds.
    explicit IniFile(const QString& fileName);

    QString FileName() const { return m_fileName; }

    // Section and key names compare case-insensitively, as in Windows profile files.
    bool ValueExists(const QString& section, const QString& key) const;
    QString ReadString(const QString& section, const QString& key, const QString& def) const;
    // A value that is not a decimal number (in int range) gives the default.
    int ReadInteger(const QString& section, const QString& key, int def) const;

    // Changes the file in memory; UpdateFile writes it.
    void WriteString(const QString& section, const QString& key, const QString& value);
    void WriteInteger(const QString& section, const QString& key, int value);

    bool Modified() const { return m_modified; }
    // Writes a temporary file beside the old one, syncs it and renames it over
    // the old one; does nothing when nothing changed. On failure the old file
    // is untouched and IniFileError says "Unable to write to <file>".
    void UpdateFile();

    // The file's bytes as UpdateFile would write them.
    QByteArray Bytes() const;

private:
    struct Line {
        enum Kind { Other, Section, Key };
        QByteArray text;  // without its line end
        QByteArray eol;   // "\r\n", "\n" or "" (last line without an end)
        Kind kind = Other;
        QString name;        // section or key name, trimmed
        int valueStart = 0;  // Key: offset of the first byte after '='
    };

    static Line parse(QByteArray text, QByteArray eol);
    // Index of the first section line with this name, or -1.
    int findSection(const QString& section) const;
    // Index of the key line in the section starting at `sec`, or -1.
    int findKey(int sec, const QString& key) const;
    // The index just past the section's last line.
    int sectionEnd(int sec) const;
    void insertLine(int at, const QByteArray& text);

    QString m_fileName;
    std::vector<Line> m_lines;
    bool m_modified = false;
};

// "Zox.ini" in $XDG_CONFIG_HOME, or in ~/.config when that is unset.
QString SettingsFilePath();

}  // namespace zox
