#include "history_json.h"

#include "console.h"
#include "entry_columns.h"

namespace {

QString KindKey(EntryKind kind) {
  switch (kind) {
    case EntryKind::Read: return QStringLiteral("read");
    case EntryKind::Written: return QStringLiteral("written");
    case EntryKind::BeforeFirmware: return QStringLiteral("before_firmware");
  }
  return {};
}

}  // namespace

namespace HistoryJson {

QString PlaceKey(const HistoryListing& listing) {
  return listing.warning.isEmpty() ? QStringLiteral("register") : QStringLiteral("folder");
}

QJsonObject Entry(const HistoryListing& listing, const HistoryRow& row, qsizetype number) {
  const ListedEntry& entry = row.listed;
  const QStringList columns = EntryColumns::Of(entry);
  QJsonObject json{{QStringLiteral("number"), number},
                   {QStringLiteral("time"), entry.name.label.time.toString(Qt::ISODateWithMs)},
                   {QStringLiteral("kind"), KindKey(entry.name.label.kind)},
                   {QStringLiteral("port"), columns[EntryColumns::Port]},
                   {QStringLiteral("firmware"), columns[EntryColumns::Firmware]},
                   {QStringLiteral("phone1"), columns[EntryColumns::Phone1]},
                   {QStringLiteral("sms_centre"), columns[EntryColumns::SmsCentre]},
                   {QStringLiteral("readable"), entry.readable}};
  if (row.uuid.isEmpty()) json.insert(QStringLiteral("file"), HistoryStore(listing.place).PathOf(entry.fileName));
  else json.insert(QStringLiteral("uuid"), row.uuid);
  if (!row.installation.isEmpty()) json.insert(QStringLiteral("installation"), row.installation);
  return json;
}

QStringList Table(const QList<HistoryRow>& rows) {
  QList<QStringList> lines{QStringList{QStringLiteral("Nr")} + EntryColumns::Titles()};
  for (qsizetype i = 0; i < rows.size(); ++i) {
    QStringList line{QString::number(i + 1)};
    // An empty text shows as "-", so that the columns stay apart.
    for (const QString& column : EntryColumns::Of(rows[i].listed))
      line.append(column.isEmpty() ? QStringLiteral("-") : Escaped(column));
    lines.append(line);
  }
  return AlignedColumns(lines);
}

}  // namespace HistoryJson
