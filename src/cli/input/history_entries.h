#pragma once
// Entries of the configuration history by their number in `velt-cli history`, 1 the one kept last.
// "@N" and "@latest" name them where diff takes a configuration file.
#include <QList>
#include <QString>

#include "config_file.h"
#include "history_store.h"

namespace HistoryEntries {

// The entries of the history, newest first; throws CliError (Error) when its folder is there but
// cannot be listed.
QList<ListedEntry> Listed(const HistoryStore& store);

// Entry N of the list: a number 1 or more, or "latest" for 1. Throws CliError: Usage for what is
// no number, Error for a number past the list.
const ListedEntry& Numbered(const QList<ListedEntry>& entries, const QString& number);

// The configuration of a file, or of an entry named "@N" or "@latest"; throws CliError.
ConfigFile LoadFileOrEntry(const QString& argument);

}  // namespace HistoryEntries
