#include "ui/FormStorage.h"

#include <QGuiApplication>
#include <QScreen>

namespace zox {

namespace {
// Colours are kept as the platform's 0x00BBGGRR numbers.
int colorNumber(const QColor& c) { return c.red() | (c.green() << 8) | (c.blue() << 16); }
QColor colorFromNumber(int n) { return QColor(n & 0xFF, (n >> 8) & 0xFF, (n >> 16) & 0xFF); }
}  // namespace

void WriteFont(IniFile& ini, const QString& section, const QString& key, const QFont& font, const QColor& color)
{
    const int px = font.pixelSize() > 0 ? font.pixelSize() : qRound(font.pointSizeF() * ScreenPixelsPerInch() / 72.0);
    const int pt = font.pointSize() > 0 ? font.pointSize() : qRound(px * 72.0 / ScreenPixelsPerInch());
    QStringList style;
    if (font.bold()) style << "fsBold";
    if (font.italic()) style << "fsItalic";
    if (font.underline()) style << "fsUnderline";
    if (font.strikeOut()) style << "fsStrikeOut";
    ini.WriteInteger(section, key + "Charset", 1);
    ini.WriteInteger(section, key + "Color", colorNumber(color));
    ini.WriteInteger(section, key + "Height", -px);
    ini.WriteString(section, key + "Name", font.family());
    ini.WriteString(section, key + "Pitch", font.fixedPitch() ? "fpFixed" : "fpDefault");
    ini.WriteInteger(section, key + "Size", pt);
    ini.WriteString(section, key + "Style", "[" + style.join(',') + "]");
}

void ReadFont(const IniFile& ini, const QString& section, const QString& key, QFont& font, QColor* color)
{
    if (ini.ValueExists(section, key + "Name")) font.setFamily(ini.ReadString(section, key + "Name", font.family()));
    if (ini.ValueExists(section, key + "Height")) {
        const int h = ini.ReadInteger(section, key + "Height", 0);
        if (h != 0) font.setPixelSize(qAbs(h));
    } else if (ini.ValueExists(section, key + "Size")) {
        const int pt = ini.ReadInteger(section, key + "Size", 0);
        if (pt > 0) font.setPointSize(pt);
    }
    if (ini.ValueExists(section, key + "Style")) {
        QString s = ini.ReadString(section, key + "Style", "[]");
        s.remove('[').remove(']');
        const QStringList parts = s.split(',', Qt::SkipEmptyParts);
        font.setBold(parts.contains("fsBold"));
        font.setItalic(parts.contains("fsItalic"));
        font.setUnderline(parts.contains("fsUnderline"));
        font.setStrikeOut(parts.contains("fsStrikeOut"));
    }
    if (color && ini.ValueExists(section, key + "Color"))
        *color = colorFromNumber(ini.ReadInteger(section, key + "Color", colorNumber(*color)));
}

QString RectText(const QRect& r)
{
    return QString::asprintf("%d,%d,%d,%d", r.left(), r.top(), r.left() + r.width(), r.top() + r.height());
}

QRect RectFromText(const QString& text)
{
    const QStringList p = text.split(',');
    if (p.size() != 4) return {};
    int v[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        v[i] = p[i].trimmed().toInt(&ok);
        if (!ok) return {};
    }
    return QRect(QPoint(v[0], v[1]), QSize(v[2] - v[0], v[3] - v[1]));
}

QString ScreenSuffix()
{
    const QScreen* s = QGuiApplication::primaryScreen();
    const QSize size = s ? s->geometry().size() : QSize(0, 0);
    return QString::asprintf("(%dx%d)", size.width(), size.height());
}

int ScreenPixelsPerInch()
{
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? qRound(s->logicalDotsPerInch()) : 96;
}

}  // namespace zox
