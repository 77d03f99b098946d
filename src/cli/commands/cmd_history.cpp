// history: the configurations the window and velt-cli kept, the last kept first, each numbered;
// history show N: one of them as key=value.
#include <QJsonArray>

#include "command_line.h"
#include "command_table.h"
#include "config_source.h"
#include "console.h"
#include "entry_columns.h"
#include "history_entries.h"
#include "item_values.h"

namespace {

QString KindKey(EntryKind kind) {
  switch (kind) {
    case EntryKind::Read: return QStringLiteral("read");
    case EntryKind::Written: return QStringLiteral("written");
    case EntryKind::BeforeFirmware: return QStringLiteral("before_firmware");
  }
  return {};
}

QJsonObject EntryJson(const HistoryStore& store, const ListedEntry& entry, qsizetype number) {
  const QStringList columns = EntryColumns::Of(entry);
  return {{QStringLiteral("number"), number},
          {QStringLiteral("time"), entry.name.label.time.toString(Qt::ISODateWithMs)},
          {QStringLiteral("kind"), KindKey(entry.name.label.kind)},
          {QStringLiteral("port"), columns[EntryColumns::Port]},
          {QStringLiteral("firmware"), columns[EntryColumns::Firmware]},
          {QStringLiteral("phone1"), columns[EntryColumns::Phone1]},
          {QStringLiteral("sms_centre"), columns[EntryColumns::SmsCentre]},
          {QStringLiteral("readable"), entry.readable},
          {QStringLiteral("file"), store.PathOf(entry.fileName)}};
}

ExitStatus List(Console& console) {
  const HistoryStore store;
  const QList<ListedEntry> entries = HistoryEntries::Listed(store);
  if (console.Json()) {
    QJsonArray array;
    for (qsizetype i = 0; i < entries.size(); ++i) array.append(EntryJson(store, entries[i], i + 1));
    console.Result(QJsonObject{{QStringLiteral("folder"), store.Folder()}, {QStringLiteral("entries"), array}});
    return ExitStatus::Done;
  }
  console.Info(QStringLiteral("Historia konfiguracji: %1, wpisów: %2").arg(store.Folder()).arg(entries.size()));
  if (entries.isEmpty()) return ExitStatus::Done;
  QList<QStringList> rows{QStringList{QStringLiteral("Nr")} + EntryColumns::Titles()};
  for (qsizetype i = 0; i < entries.size(); ++i) {
    QStringList row{QString::number(i + 1)};
    // An empty text shows as "-", so that the columns stay apart.
    for (const QString& column : EntryColumns::Of(entries[i])) row.append(column.isEmpty() ? QStringLiteral("-") : Escaped(column));
    rows.append(row);
  }
  for (const QString& line : AlignedColumns(rows)) console.Result(line);
  return ExitStatus::Done;
}

ExitStatus Show(Console& console, const QString& number) {
  const HistoryStore store;
  const QList<ListedEntry> entries = HistoryEntries::Listed(store);
  const ListedEntry& entry = HistoryEntries::Numbered(entries, number);
  const ConfigFile file = LoadConfigFile(store.PathOf(entry.fileName));
  const QJsonObject head = EntryJson(store, entry, &entry - entries.constData() + 1);
  if (console.Json()) {
    QJsonObject result = Keyed::FileJson(file);
    for (auto it = head.begin(); it != head.end(); ++it) result.insert(it.key(), it.value());
    console.Result(result);
    return ExitStatus::Done;
  }
  for (const char* key : {"number", "time", "kind", "port", "firmware", "file"})
    console.Result(QStringLiteral("%1=%2").arg(QLatin1String(key), Escaped(head.value(QLatin1String(key)).toVariant().toString())));
  for (const QString& line : Keyed::FileLines(file)) console.Result(line);
  return ExitStatus::Done;
}

}  // namespace

ExitStatus RunHistory(Context& context) {
  const QStringList& arguments = context.options.arguments;
  if (arguments.isEmpty()) return List(context.console);
  if (arguments.size() != 2 || arguments[0] != u"show")
    throw CliError(ExitStatus::Usage, QStringLiteral("history przyjmuje tylko 'show N' (velt-cli --help)"));
  return Show(context.console, arguments[1]);
}
