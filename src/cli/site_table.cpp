#include "site_table.h"

#include <QHash>
#include <QSet>
#include <optional>

#include "csv_table.h"
#include "item_values.h"
#include "polish_plural.h"
#include "text_file.h"

namespace {

[[noreturn]] void Fail(const QString& where, const QString& why) {
  throw CliError(ExitStatus::Error, where + QStringLiteral(": ") + why);
}

QString At(const QString& path, const CsvCell& cell) {
  return QStringLiteral("%1:%2: kolumna %3").arg(path).arg(cell.line).arg(cell.column);
}

}  // namespace

SiteRow LoadSiteRow(const QString& path, const QString& site) {
  const QList<CsvRow> rows = ParseCsv(ReadTextFile(path), path);
  if (rows.isEmpty()) Fail(path, QStringLiteral("tabela jest pusta (pierwszy wiersz: site i klucze)"));

  // The header: the site column once, each other column a key once.
  const CsvRow& header = rows.front();
  int siteColumn = -1;
  QList<int> itemOfColumn(header.size(), -1);
  QSet<int> itemsSeen;
  for (qsizetype c = 0; c < header.size(); ++c) {
    const QString name = header[c].text.trimmed();
    if (name == QLatin1String(SiteColumn)) {
      if (siteColumn >= 0) Fail(At(path, header[c]), QStringLiteral("kolumna 'site' podana dwa razy"));
      siteColumn = int(c);
      continue;
    }
    const int item = Keyed::ItemOfKey(name, At(path, header[c]), ExitStatus::Error);
    if (itemsSeen.contains(item)) Fail(At(path, header[c]), QStringLiteral("klucz '%1' podany dwa razy").arg(name));
    itemsSeen.insert(item);
    itemOfColumn[c] = item;
  }
  if (siteColumn < 0) Fail(QStringLiteral("%1:%2").arg(path).arg(header.front().line), QStringLiteral("brak kolumny 'site'"));

  // Every row, whichever site is asked for.
  QHash<QString, int> lineOfSite;
  std::optional<SiteRow> chosen;
  for (qsizetype r = 1; r < rows.size(); ++r) {
    const CsvRow& row = rows[r];
    const QString line = QStringLiteral("%1:%2").arg(path).arg(row.front().line);
    if (row.size() != header.size())
      Fail(line, QStringLiteral("%1 zamiast %2").arg(Counted(int(row.size()), "pole", "pola", "pól")).arg(header.size()));
    const QString name = row[siteColumn].text.trimmed();
    if (name.isEmpty()) Fail(At(path, row[siteColumn]), QStringLiteral("pusta nazwa obiektu"));
    if (lineOfSite.contains(name))
      Fail(line, QStringLiteral("obiekt '%1' już jest w wierszu %2").arg(name).arg(lineOfSite.value(name)));
    lineOfSite.insert(name, row.front().line);
    SiteRow parsed{name, row.front().line, {}};
    for (qsizetype c = 0; c < row.size(); ++c) {
      if (itemOfColumn[c] < 0) continue;
      parsed.values.insert(itemOfColumn[c], Keyed::Parse(itemOfColumn[c], row[c].text, At(path, row[c]), ExitStatus::Error));
    }
    if (name == site.trimmed()) chosen = parsed;
  }
  if (!chosen) Fail(path, QStringLiteral("brak wiersza obiektu '%1'").arg(site));
  return *chosen;
}
