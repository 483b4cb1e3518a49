#pragma once
// File names made from a call sign (the listing, the summary sheet, and the
// commands that open them in the editor). A call sign is typed by the
// operator and may hold anything: "S59ABC/P" is an everyday portable call,
// and a name must never reach outside its folder. Only letters, digits, "-"
// and "_" are kept; "/" (and "\") becomes "_", anything else is dropped, and
// the name is cut to kCallFileStemLimit characters.

#include <QString>

namespace zox {

constexpr int kCallFileStemLimit = 64;

// "S59ABC/P" gives "S59ABC_P"; "../../X" gives "__X"; "Q5A B" gives "Q5AB".
QString CallFileStem(const QString& call);

// folder (ending with a separator) + the stem + extension (".txt", ".sum").
QString CallFilePath(const QString& folder, const QString& call, const QString& extension);

}  // namespace zox
