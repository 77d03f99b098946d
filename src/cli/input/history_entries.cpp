#include "history_entries.h"

#include "cli_error.h"
#include "config_source.h"

namespace HistoryEntries {

QList<ListedEntry> Listed(const HistoryStore& store) {
  QString error;
  QList<ListedEntry> entries = store.List(&error);
  if (!error.isEmpty()) throw CliError(ExitStatus::Error, error);
  return entries;
}

const ListedEntry& Numbered(const QList<ListedEntry>& entries, const QString& number) {
  bool ok = false;
  const qsizetype n = number == u"latest" ? 1 : number.toLongLong(&ok);
  if (number != u"latest" && (!ok || n < 1 || !number.front().isDigit()))
    throw CliError(ExitStatus::Usage, QStringLiteral("'%1' nie jest numerem wpisu historii: podaj numer z velt-cli history "
                                                     "albo latest").arg(number));
  if (n > entries.size())
    throw CliError(ExitStatus::Error, QStringLiteral("nie ma wpisu %1 w historii konfiguracji (wpisów: %2)")
                                          .arg(number).arg(entries.size()));
  return entries[n - 1];
}

ConfigFile LoadFileOrEntry(const QString& argument) {
  if (!argument.startsWith(u'@')) return LoadConfigFile(argument);
  const HistoryStore store;
  return LoadConfigFile(store.PathOf(Numbered(Listed(store), argument.mid(1)).fileName));
}

}  // namespace HistoryEntries
