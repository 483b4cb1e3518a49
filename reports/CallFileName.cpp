#include "reports/CallFileName.h"

namespace zox {

QString CallFileStem(const QString& call)
{
    QString stem;
    for (const QChar c : call) {
        if (stem.size() == kCallFileStemLimit) break;
        if (c.isLetter() || c.isDigit() || c == u'-' || c == u'_') stem += c;
        else if (c == u'/' || c == u'\\') stem += u'_';
    }
    return stem;
}

QString CallFilePath(const QString& folder, const QString& call, const QString& extension)
{
    return folder + CallFileStem(call) + extension;
}

}  // namespace zox
