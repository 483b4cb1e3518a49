#pragma once
// The stored forms of control properties and of the window placement in the
// settings file: fonts in seven parts, rectangles as "%d,%d,%d,%d".
#include "app/IniFile.h"

#include <QColor>
#include <QFont>
#include <QRect>
#include <QString>

namespace zox {

void WriteFont(IniFile& ini, const QString& section, const QString& key, const QFont& font, const QColor& color);
// Applies the parts that are stored; an absent part keeps the font's design value.
void ReadFont(const IniFile& ini, const QString& section, const QString& key, QFont& font, QColor* color);

QString RectText(const QRect& r);  // left,top,right,bottom
QRect RectFromText(const QString& text);  // empty when not four integers

// Screen-size suffix of the placement keys, e.g. "(1024x768)".
QString ScreenSuffix();
int ScreenPixelsPerInch();

}  // namespace zox
