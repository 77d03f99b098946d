#include "site_table.h"

#include <QHash>
#include <QSet>
#include <utility>

#include "csv_table.h"
#include "item_values.h"
#include "polish_plural.h"
#include "site_id.h"
#include "text_file.h"

namespace {

[[noreturn]] void Fail(const QString& where, const QString& why) {
  throw CliError(ExitStatus::Error, where + QStringLiteral(": ") + why);
}

QString At(const QString& path, const CsvCell& cell) {
  return QStringLiteral("%1:%2: kolumna %3").arg(path).arg(cell.line).arg(cell.column);
}

}  // namespace

SiteTable LoadSiteTable(const QString& path) {
  const QList<CsvRow> rows = ParseCsv(ReadTextFile(path), path);
  if (rows.isEmpty()) Fail(path, QStringLiteral("tabela jest pusta (pierwszy wiersz: site i klucze)"));

  // The header: the site column once, the port column at most once, each other column a key once.
  const CsvRow& header = rows.front();
  int siteColumn = -1, portColumn = -1;
  QList<int> itemOfColumn(header.size(), -1);
  int detailColumns[std::size(DetailColumns)] = {-1, -1, -1, -1};
  QSet<int> itemsSeen;
  for (qsizetype c = 0; c < header.size(); ++c) {
    const QString name = header[c].text.trimmed();
    QList<std::pair<int*, const char*>> named{{&siteColumn, SiteColumn}, {&portColumn, PortColumn}};
    for (size_t d = 0; d < std::size(DetailColumns); ++d) named.append({&detailColumns[d], DetailColumns[d]});
    bool taken = false;
    for (auto [column, columnName] : named) {
      if (name != QLatin1String(columnName)) continue;
      if (*column >= 0) Fail(At(path, header[c]), QStringLiteral("kolumna '%1' podana dwa razy").arg(name));
      *column = int(c);
      taken = true;
    }
    if (taken) continue;
    const int item = Keyed::ItemOfKey(name, At(path, header[c]), ExitStatus::Error);
    if (itemsSeen.contains(item)) Fail(At(path, header[c]), QStringLiteral("klucz '%1' podany dwa razy").arg(name));
    itemsSeen.insert(item);
    itemOfColumn[c] = item;
  }
  if (siteColumn < 0) Fail(QStringLiteral("%1:%2").arg(path).arg(header.front().line), QStringLiteral("brak kolumny 'site'"));

  SiteTable table{portColumn >= 0, {}, {}};
  for (size_t d = 0; d < std::size(DetailColumns); ++d)
    if (detailColumns[d] >= 0) table.detailColumns.append(int(d));
  QHash<QString, qsizetype> rowOfSite;
  for (qsizetype r = 1; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    const QString line = QStringLiteral("%1:%2").arg(path).arg(row.front().line);
    if (row.size() != header.size())
      Fail(line, QStringLiteral("%1 zamiast %2").arg(Counted(int(row.size()), "pole", "pola", "pól")).arg(header.size()));
    SiteRow parsed{SiteId::OfTable(row[siteColumn].text, At(path, row[siteColumn])), row.front().line,
                   portColumn >= 0 ? row[portColumn].text.trimmed() : QString(), {}, {}};
    QString* details[] = {&parsed.details.name, &parsed.details.address, &parsed.details.contact, &parsed.details.notes};
    parsed.details.site = parsed.site;
    for (size_t d = 0; d < std::size(DetailColumns); ++d)
      if (detailColumns[d] >= 0) *details[d] = row[detailColumns[d]].text.trimmed();
    if (rowOfSite.contains(parsed.site)) {
      const SiteRow& first = table.rows[rowOfSite.value(parsed.site)];
      // Which controller gets the site is never guessed.
      if (!first.port.isEmpty() && !parsed.port.isEmpty() && first.port != parsed.port)
        Fail(line, QStringLiteral("obiekt '%1' przypisany dwóm portom: %2 (wiersz %3) i %4 (wiersz %5)")
                       .arg(parsed.site, first.port).arg(first.line).arg(parsed.port).arg(parsed.line));
      Fail(line, QStringLiteral("obiekt '%1' już jest w wierszu %2").arg(parsed.site).arg(first.line));
    }
    rowOfSite.insert(parsed.site, table.rows.size());
    for (qsizetype c = 0; c < row.size(); ++c) {
      if (itemOfColumn[c] < 0) continue;
      parsed.values.insert(itemOfColumn[c], Keyed::Parse(itemOfColumn[c], row[c].text, At(path, row[c]), ExitStatus::Error));
    }
    table.rows.append(parsed);
  }
  return table;
}

SiteRow LoadSiteRow(const QString& path, const QString& site) {
  for (const SiteRow& row : LoadSiteTable(path).rows)
    if (row.site == SiteId::Typed(site)) return row;
  Fail(path, QStringLiteral("brak wiersza obiektu '%1'").arg(site));
}
