#include "workshop_summary.h"

#include "console.h"

namespace {

void ShowJson(Console& console, const QList<QByteArray>& ports, const QList<PortResult>& results) {
  for (qsizetype i = 0; i < results.size(); ++i) {
    QJsonObject object = results[i].json;
    object.insert(QStringLiteral("port"), QString::fromLocal8Bit(ports[i]));
    object.insert(QStringLiteral("status"), int(results[i].status));
    if (results[i].status != ExitStatus::Done) object.insert(QStringLiteral("error"), results[i].text);
    console.Result(object);
  }
}

void ShowTable(Console& console, const QList<QByteArray>& ports, const QList<PortResult>& results) {
  QList<QStringList> rows{{QStringLiteral("PORT"), QStringLiteral("STATUS"), QStringLiteral("WYNIK")}};
  QStringList failed;
  for (qsizetype i = 0; i < results.size(); ++i) {
    const QString port = QString::fromLocal8Bit(ports[i]);
    rows.append({port, QString::number(int(results[i].status)), results[i].text});
    if (results[i].status != ExitStatus::Done) failed.append(port);
  }
  QList<qsizetype> widths(2, 0);
  for (const QStringList& row : rows)
    for (qsizetype c = 0; c < widths.size(); ++c) widths[c] = qMax(widths[c], Escaped(row[c]).size());
  for (const QStringList& row : rows) {
    QString line;
    for (qsizetype c = 0; c < widths.size(); ++c)
      line += Escaped(row[c]).leftJustified(widths[c] + 2);
    console.Result(line + row[2]);
  }
  QString count = QStringLiteral("Porty: %1, udane: %2, nieudane: %3").arg(results.size()).arg(results.size() - failed.size()).arg(failed.size());
  if (!failed.isEmpty()) count += QStringLiteral(" (%1)").arg(failed.join(QStringLiteral(", ")));
  console.Result(count);
}

}  // namespace

ExitStatus ShowSummary(Console& console, const QList<QByteArray>& ports, const QList<PortResult>& results) {
  if (console.Json())
    ShowJson(console, ports, results);
  else
    ShowTable(console, ports, results);
  ExitStatus highest = ExitStatus::Done;
  for (const PortResult& result : results) highest = qMax(highest, result.status);
  return highest;
}
