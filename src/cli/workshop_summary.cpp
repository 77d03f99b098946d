#include "workshop_summary.h"

#include "console.h"

namespace {

void ShowJson(Console& console, const QList<QByteArray>& ports, const QStringList& sites, const QList<PortResult>& results) {
  for (qsizetype i = 0; i < results.size(); ++i) {
    QJsonObject object = results[i].json;
    object.insert(QStringLiteral("port"), QString::fromLocal8Bit(ports[i]));
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
    const QString port = QString::fromLocal8Bit(ports[i]);
    rows.append({port, sites.value(i), QString::number(int(results[i].status)), results[i].text});
    if (results[i].status != ExitStatus::Done) failed.append(port);
  }
  QList<qsizetype> widths(3, 0);
  for (const QStringList& row : rows)
    for (qsizetype c = 0; c < widths.size(); ++c) widths[c] = qMax(widths[c], Escaped(row[c]).size());
  for (const QStringList& row : rows) {
    QString line;
    for (qsizetype c = 0; c < widths.size(); ++c)
      if (c != 1 || !sites.isEmpty()) line += Escaped(row[c]).leftJustified(widths[c] + 2);
    console.Result(line + row[3]);
  }
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
