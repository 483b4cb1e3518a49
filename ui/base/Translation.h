#pragma once
// Qt's own texts (the standard dialogs, buttons and context menus) in Slovene,
// whatever language the system runs in.

#include <QString>

namespace zox {

// The folder of Qt's translations ("qt_sl.qm" and the like).
QString QtTranslationsFolder();

// Loads Qt's Slovene translation from `folder` (Qt's own folder when empty) into the
// application and makes Slovene the default locale (month and day names, number
// formats). Returns false, and changes nothing, when no translation is found there.
// Needs the application object.
bool InstallSloveneTranslation(const QString& folder = QString());

}  // namespace zox
