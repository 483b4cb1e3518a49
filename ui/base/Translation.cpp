#include "ui/base/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <cstring>

namespace zox {

namespace {

// Debian's Slovene catalogue was made for an older Qt, which kept some texts under
// other names: the standard buttons under "QDialogButtonBox" (now "QPlatformTheme"),
// the text editors' context menu under "QTextControl" (now "QWidgetTextControl").
// A text not found under its own name is looked up under the older one.
class SloveneTranslator final : public QTranslator {
public:
    using QTranslator::QTranslator;

    QString translate(const char* context, const char* sourceText, const char* disambiguation,
                      int n) const override
    {
        QString text = QTranslator::translate(context, sourceText, disambiguation, n);
        if (!text.isEmpty() || !context) return text;
        for (const auto& [now, before] : kOlderNames)
            if (std::strcmp(context, now) == 0) return QTranslator::translate(before, sourceText, disambiguation, n);
        return text;
    }

private:
    static constexpr std::pair<const char*, const char*> kOlderNames[] = {
        {"QPlatformTheme", "QDialogButtonBox"},
        {"QGnomeTheme", "QDialogButtonBox"},
        {"QWidgetTextControl", "QTextControl"},
    };
};

}  // namespace

QString QtTranslationsFolder() { return QLibraryInfo::path(QLibraryInfo::TranslationsPath); }

bool InstallSloveneTranslation(const QString& folder)
{
    const QString from = folder.isEmpty() ? QtTranslationsFolder() : folder;
    // "qt_sl" gathers Qt's modules; a newer Qt ships the base module alone as "qtbase_sl".
    auto* translator = new SloveneTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qt_sl"), from) && !translator->load(QStringLiteral("qtbase_sl"), from)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    QLocale::setDefault(QLocale(QLocale::Slovenian, QLocale::Slovenia));
    return true;
}

}  // namespace zox
