#pragma once
// Entries of the configuration history by their number in `velt-cli history`, 1 the one kept last.
// "@N" and "@latest" name them where diff takes a configuration file. The history is the
// register's; while the register cannot be opened, the history folder's, with a warning.
#include <QList>
#include <QString>

#include "config_file.h"
#include "register_history.h"

class Console;

namespace HistoryEntries {

// The entries, newest first; a warning on `console` when they come from the folder. Throws
// CliError (Error) when nothing can be listed.
HistoryListing Listed(RegisterKeeper& keeper, Console& console, const ConfigurationScope& scope = {});

// The entries of --site ID (that installation's, numbered as `history --site ID` lists them), or
// the whole history for an empty site. Throws CliError (Error) when the register has no such site.
ConfigurationScope ScopeOf(RegisterKeeper& keeper, const QString& site);

// Entry N of the list: a number 1 or more, or "latest" for 1. Throws CliError: Usage for what is
// no number, Error for a number past the list.
const HistoryRow& Numbered(const QList<HistoryRow>& rows, const QString& number);

// Throws CliError (Error) when the entry does not load.
ConfigFile Load(RegisterKeeper& keeper, const HistoryRow& row);

// The configuration of a file, or of an entry named "@N" or "@latest" of the site's entries (of
// the whole history for an empty site); throws CliError.
ConfigFile LoadFileOrEntry(const QString& argument, Console& console, const QString& site = QString());

}  // namespace HistoryEntries
