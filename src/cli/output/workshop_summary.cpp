#include "workshop_summary.h"

#include "console.h"
#include "native_name.h"

namespace {

void ShowJson(Console& console, const QList<QByteArray>& ports, const QStringList& sites, const QList<PortResult>& results) {
  for (qsizetype i = 0; i < results.size(); ++i) {
    QJsonObject object = results[i].json;
    object.insert(QStringLiteral("port"), NameFromBytes(ports[i]));
    if (!sites.isEmpty()) object.insert(QStringLiteral("site"), sites[i]);
    object.insert(QStringLiteral("status"), int(results[i].status));
    if (results[i].status != ExitStatus::Done) object.insert(QStringLiteral("error"), results[i].text);
    console.Result(object);
  }
}

void ShowTable(Console& console, const QList<QByteArray>& ports, const QStringList& sites, const QList<PortResult>& results) {
  QList<QStringList> rows{{QStringLiteral("PORT"), QStringLiteral("OBIEKT"), QStringLiteral("STATUS"), QStringLiteral("WYNIK")}};
  QStringList failed;
  for (qsizetype i = 0; i < results.size(); ++i) {
    const QString port = NameFromBytes(ports[i]);
    rows.append({Escaped(port), Escaped(sites.value(i)), QString::number(int(results[i].status)), results[i].text});
    if (results[i].status != ExitStatus::Done) failed.append(port);
  }
  if (sites.isEmpty())
    for (QStringList& row : rows) row.removeAt(1);
  for (const QString& line : AlignedColumns(rows)) console.Result(line);
  QString count = QStringLiteral("Porty: %1, udane: %2, nieudane: %3").arg(results.size()).arg(results.size() - failed.size()).arg(failed.size());
  if (!failed.isEmpty()) count += QStringLiteral(" (%1)").arg(failed.join(QStringLiteral(", ")));
  console.Result(count);
}

}  // namespace

ExitStatus ShowSummary(Console& console, const QList<QByteArray>& ports, const QStringList& sites,
                       const QList<PortResult>& results) {
  if (console.Json())
    ShowJson(console, ports, sites, results);
  else
    ShowTable(console, ports, sites, results);
  ExitStatus highest = ExitStatus::Done;
  for (const PortResult& result : results) highest = qMax(highest, result.status);
  return highest;
}
