#pragma once
// An installation's ID as a user gives it. A typed ID is refused, never corrected: not empty, no
// space before or after it, and no control character (C0, C1, the bidirectional controls) that
// would hide or reorder it on a terminal. IDs are compared in Unicode's composed form (NFC), so
// "Łódź-1" typed with combining accents is the same site as with precomposed letters.
#include <QString>

#include "cli_error.h"

namespace SiteId {

// The ID in its composed form; throws CliError (Usage) naming what is wrong.
QString Typed(const QString& id);

// A table's cell, trimmed of the spaces around it (a spreadsheet's "A1, B2") but refused, the
// CliError (Error) naming `where`, when it is empty or holds a control character anywhere (a
// quoted tab or line break included).
QString OfTable(const QString& cell, const QString& where);

}  // namespace SiteId
