#pragma once
// A kept configuration written out as an ordinary configuration file, byte for byte as kept,
// named as the history names an entry, so that it loads anywhere.
#include <QString>
#include <optional>

class Configurations;

// The new file's name in `folder`; a name taken already gets the next copy number, and no file
// is ever replaced. A file of the entry's name (or a copy's) that holds its bytes already is the
// entry's: its name is given, *present set, and nothing is written, so that exporting again adds
// only the new entries. Nullopt with *error set when the entry is unknown or the file cannot be
// written. Throws RegisterFault.
std::optional<QString> ExportEntry(Configurations& configurations, const QString& uuid, const QString& folder,
                                   QString* error, bool* present);
