// history: the configurations the window and velt-cli kept, the last kept first, each numbered;
// with --site, those of one installation; history show N: one of them as key=value (N counted among the site's with --site).
#include <QJsonArray>

#include "command_line.h"
#include "command_table.h"
#include "console.h"
#include "entry_columns.h"
#include "history_entries.h"
#include "history_json.h"
#include "item_values.h"
#include "register_keeper.h"

namespace {

ExitStatus List(Context& context) {
  Console& console = context.console;
  RegisterKeeper keeper;
  const HistoryListing listing = HistoryEntries::Listed(keeper, console, HistoryEntries::ScopeOf(keeper, context.options.site));
  const QList<HistoryRow>& rows = listing.rows;
  if (console.Json()) {
    QJsonArray array;
    for (qsizetype i = 0; i < rows.size(); ++i) array.append(HistoryJson::Entry(listing, rows[i], i + 1));
    console.Result(QJsonObject{{HistoryJson::PlaceKey(listing), listing.place}, {QStringLiteral("entries"), array}});
    return ExitStatus::Done;
  }
  console.Info(QStringLiteral("Historia konfiguracji: %1, wpisów: %2").arg(listing.place).arg(rows.size()));
  if (rows.isEmpty()) return ExitStatus::Done;
  for (const QString& line : HistoryJson::Table(rows)) console.Result(line);
  return ExitStatus::Done;
}

ExitStatus Show(Context& context, const QString& number) {
  Console& console = context.console;
  RegisterKeeper keeper;
  const HistoryListing listing = HistoryEntries::Listed(keeper, console, HistoryEntries::ScopeOf(keeper, context.options.site));
  const HistoryRow& row = HistoryEntries::Numbered(listing.rows, number);
  const ConfigFile file = HistoryEntries::Load(keeper, row);
  const QJsonObject head = HistoryJson::Entry(listing, row, &row - listing.rows.constData() + 1);
  if (console.Json()) {
    QJsonObject result = Keyed::FileJson(file);
    for (auto it = head.begin(); it != head.end(); ++it) result.insert(it.key(), it.value());
    console.Result(result);
    return ExitStatus::Done;
  }
  for (const char* key : {"number", "time", "kind", "port", "firmware", "file", "uuid"})
    if (head.contains(QLatin1String(key)))
      console.Result(QStringLiteral("%1=%2").arg(QLatin1String(key), Escaped(head.value(QLatin1String(key)).toVariant().toString())));
  for (const QString& line : Keyed::FileLines(file)) console.Result(line);
  return ExitStatus::Done;
}

}  // namespace

ExitStatus RunHistory(Context& context) {
  const QStringList& arguments = context.options.arguments;
  if (arguments.isEmpty()) return List(context);
  if (arguments.size() != 2 || arguments[0] != u"show")
    throw CliError(ExitStatus::Usage, QStringLiteral("history przyjmuje tylko 'show N' (velt-cli --help)"));
  return Show(context, arguments[1]);
}
