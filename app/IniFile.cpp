#include "app/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

#include <climits>

namespace zox {

namespace {

const char kCodePage[] = "windows-1250";

// Stateless converters carry nothing from one call to the next, so one per
// thread serves every call.
QString decode(const QByteArray& bytes)
{
    thread_local QStringDecoder dec(kCodePage, QStringConverter::Flag::Stateless);
    return dec(bytes);
}

QByteArray encode(const QString& text)
{
    thread_local QStringEncoder enc(kCodePage, QStringConverter::Flag::Stateless);
    return enc(text);
}

void requireCodePage()
{
    if (!CodePageAvailable()) throw IniFileError(CodePageMissingText());
}

bool sameName(const QString& a, const QString& b) { return QString::compare(a, b, Qt::CaseInsensitive) == 0; }

bool isQuote(QChar c) { return c == u'"' || c == u'\''; }

// As Windows reads a value: blanks around it dropped, then one pair of
// matching quotes around the whole value.
QString valueOf(const QByteArray& raw)
{
    QString v = decode(raw).trimmed();
    if (v.size() >= 2 && isQuote(v.front()) && v.back() == v.front()) v = v.mid(1, v.size() - 2);
    return v;
}

// A value that reading would change is written in double quotes, so every
// text comes back as it was stored. Line breaks cannot live in a line.
QString storedForm(QString v)
{
    v.replace(u'\r', u' ').replace(u'\n', u' ');
    const bool reads = v == v.trimmed() && !(v.size() >= 2 && isQuote(v.front()) && v.back() == v.front());
    return reads ? v : u'"' + v + u'"';
}

QString readBack(const QString& value)
{
    QString v = value;
    v.replace(u'\r', u' ').replace(u'\n', u' ');
    return v;
}

void checkName(const QString& name, bool section)
{
    const bool bad = name.isEmpty() || name != name.trimmed() || name.contains(u'\r') || name.contains(u'\n')
                     || (section ? name.contains(u']') : (name.contains(u'=') || name.startsWith(u'[') || name.startsWith(u';')));
    if (bad) throw std::invalid_argument(QStringLiteral("Not a usable settings %1 name: \"%2\"")
                                             .arg(section ? QStringLiteral("section") : QStringLiteral("key"), name)
                                             .toStdString());
}

bool isBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

bool CodePageAvailable()
{
    return QStringEncoder(kCodePage).isValid() && QStringDecoder(kCodePage).isValid();
}

QString CodePageMissingText()
{
    return QStringLiteral("Kodna stran %1 ni na voljo (Qt brez podpore ICU): besedil ni mogoče brati ne pisati.")
        .arg(QLatin1String(kCodePage));
}

IniFile::IniFile(const QString& fileName) : m_fileName(fileName)
{
    requireCodePage();
    const QFileInfo info(fileName);
    if (!info.exists() && !info.isSymLink()) return;  // no file yet: every key has its default
    QFile f(fileName);
    if (info.isDir() || !f.open(QIODevice::ReadOnly))
        throw IniFileError(QStringLiteral("Unable to read %1").arg(QDir::toNativeSeparators(fileName)));
    const QByteArray all = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw IniFileError(QStringLiteral("Unable to read %1").arg(QDir::toNativeSeparators(fileName)));

    qsizetype pos = 0;
    while (pos < all.size()) {
        const qsizetype nl = all.indexOf('\n', pos);
        if (nl < 0) {
            m_lines.push_back(parse(all.mid(pos), QByteArray()));
            break;
        }
        const bool cr = nl > pos && all[nl - 1] == '\r';
        const qsizetype end = cr ? nl - 1 : nl;
        m_lines.push_back(parse(all.mid(pos, end - pos), cr ? QByteArrayLiteral("\r\n") : QByteArrayLiteral("\n")));
        pos = nl + 1;
    }
}

IniFile::Line IniFile::parse(QByteArray text, QByteArray eol)
{
    Line l;
    l.text = std::move(text);
    l.eol = std::move(eol);
    const QByteArray& t = l.text;
    qsizetype i = 0;
    while (i < t.size() && isBlank(t[i])) ++i;
    if (i == t.size()) return l;
    if (t[i] == '[') {
        const qsizetype close = t.indexOf(']', i + 1);
        if (close > i) {
            l.kind = Line::Section;
            l.name = decode(t.mid(i + 1, close - i - 1)).trimmed();
            return l;
        }
    }
    if (t[i] == ';') return l;  // comment
    const qsizetype eq = t.indexOf('=', i);
    if (eq < 0) return l;
    l.kind = Line::Key;
    l.name = decode(t.left(eq)).trimmed();
    l.valueStart = int(eq + 1);
    return l;
}

int IniFile::findSection(const QString& section) const
{
    for (size_t i = 0; i < m_lines.size(); ++i)
        if (m_lines[i].kind == Line::Section && sameName(m_lines[i].name, section)) return int(i);
    return -1;
}

int IniFile::findKey(int sec, const QString& key) const
{
    for (size_t i = size_t(sec) + 1; i < m_lines.size() && m_lines[i].kind != Line::Section; ++i)
        if (m_lines[i].kind == Line::Key && sameName(m_lines[i].name, key)) return int(i);
    return -1;
}

int IniFile::sectionEnd(int sec) const
{
    size_t i = size_t(sec) + 1;
    while (i < m_lines.size() && m_lines[i].kind != Line::Section) ++i;
    return int(i);
}

bool IniFile::ValueExists(const QString& section, const QString& key) const
{
    const int sec = findSection(section);
    return sec >= 0 && findKey(sec, key) >= 0;
}

QString IniFile::ReadString(const QString& section, const QString& key, const QString& def) const
{
    const int sec = findSection(section);
    const int k = sec < 0 ? -1 : findKey(sec, key);
    if (k < 0) return def;
    return valueOf(m_lines[size_t(k)].text.mid(m_lines[size_t(k)].valueStart));
}

int IniFile::ReadInteger(const QString& section, const QString& key, int def) const
{
    const QString v = ReadString(section, key, QString());
    // Decimal only: an optional sign and digits, nothing else.
    qsizetype i = 0;
    if (i < v.size() && (v[i] == u'+' || v[i] == u'-')) ++i;
    if (i == v.size()) return def;
    for (qsizetype j = i; j < v.size(); ++j)
        if (v[j] < u'0' || v[j] > u'9') return def;
    bool ok = false;
    const qlonglong n = v.toLongLong(&ok);
    if (!ok || n < INT_MIN || n > INT_MAX) return def;
    return int(n);
}

void IniFile::insertLine(int at, const QByteArray& text)
{
    if (at > 0 && m_lines[size_t(at) - 1].eol.isEmpty()) m_lines[size_t(at) - 1].eol = QByteArrayLiteral("\r\n");
    m_lines.insert(m_lines.begin() + at, parse(text, QByteArrayLiteral("\r\n")));
}

void IniFile::WriteString(const QString& section, const QString& key, const QString& value)
{
    checkName(section, true);
    checkName(key, false);
    const QByteArray stored = encode(storedForm(value));
    int sec = findSection(section);
    if (sec < 0) {
        insertLine(int(m_lines.size()), '[' + encode(section) + ']');
        sec = int(m_lines.size()) - 1;
    }
    const int k = findKey(sec, key);
    if (k >= 0) {
        Line& l = m_lines[size_t(k)];
        if (valueOf(l.text.mid(l.valueStart)) == readBack(value)) return;  // already so: leave the line alone
        // Keep the key as spelt in the file and the blanks after '='.
        qsizetype keep = l.valueStart;
        while (keep < l.text.size() && isBlank(l.text[keep])) ++keep;
        l.text = l.text.left(keep) + stored;
        m_modified = true;
        return;
    }
    // After the section's last key, so comments and blank lines before the
    // next section stay where they are.
    int at = sec + 1;
    const int end = sectionEnd(sec);
    for (int i = sec + 1; i < end; ++i)
        if (m_lines[size_t(i)].kind == Line::Key) at = i + 1;
    insertLine(at, encode(key) + '=' + stored);
    m_modified = true;
}

void IniFile::WriteInteger(const QString& section, const QString& key, int value)
{
    WriteString(section, key, QString::number(value));
}

QByteArray IniFile::Bytes() const
{
    QByteArray out;
    for (const Line& l : m_lines) out += l.text + l.eol;
    return out;
}

void IniFile::UpdateFile()
{
    if (!m_modified) return;
    requireCodePage();
    const QString shown = QDir::toNativeSeparators(m_fileName);
    QDir().mkpath(QFileInfo(m_fileName).absolutePath());  // ~/.config may not exist yet
    QSaveFile f(m_fileName);
    auto fail = [&] {
        f.cancelWriting();
        throw IniFileError(QStringLiteral("Unable to write to %1").arg(shown));
    };
    if (!f.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) fail();
    const QByteArray bytes = Bytes();
    // A short write is not an error to QSaveFile: keep writing until it reports one.
    qsizetype done = 0;
    while (done < bytes.size()) {
        const qint64 n = f.write(bytes.constData() + done, bytes.size() - done);
        if (n <= 0) fail();
        done += n;
    }
    if (!f.commit()) fail();
    m_modified = false;
}

QString SettingsFilePath()
{
    // Only an absolute folder counts; an empty or relative one is ignored.
    const QString xdg = qEnvironmentVariable("XDG_CONFIG_HOME");
    const QString folder = !xdg.isEmpty() && QDir::isAbsolutePath(xdg) ? xdg : QDir::homePath() + QStringLiteral("/.config");
    return QDir(folder).filePath(QStringLiteral("Zox.ini"));
}

}  // namespace zox
