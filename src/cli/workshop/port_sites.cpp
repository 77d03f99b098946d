#include "port_sites.h"

#include <QHash>

#include "cli_error.h"
#include "command_line.h"
#include "native_name.h"
#include "port_list.h"

namespace {

struct Claim {
  QString port;  // as given
  QString site;
  QString place;  // "FILE:LINE: " for the table, empty for the command line
};

class Claims {
 public:
  explicit Claims(ExitStatus status) : status_(status) {}

  void Add(const Claim& claim) {
    const QString identity = PortIdentity(claim.port);
    if (const auto other = byPort_.constFind(identity); other != byPort_.cend())
      Fail(claim, QStringLiteral("port %1 przypisany dwóm obiektom: '%2' i '%3'").arg(claim.port, other->site, claim.site));
    if (const auto other = bySite_.constFind(claim.site); other != bySite_.cend())
      Fail(claim, QStringLiteral("obiekt '%1' przypisany dwóm portom: %2 i %3").arg(claim.site, other->port, claim.port));
    byPort_.insert(identity, claim);
    bySite_.insert(claim.site, claim);
  }
  const Claim* Of(const QString& port) const {
    const auto found = byPort_.constFind(PortIdentity(port));
    return found == byPort_.cend() ? nullptr : &*found;
  }
  [[noreturn]] void Fail(const Claim& claim, const QString& why) const { throw CliError(status_, claim.place + why); }

 private:
  ExitStatus status_;
  QHash<QString, Claim> byPort_;  // by PortIdentity
  QHash<QString, Claim> bySite_;
};

}  // namespace

QList<SiteRow> SitesOfPorts(const QList<QByteArray>& ports, const CliOptions& options) {
  const SiteTable table = LoadSiteTable(options.sites);
  const bool pairs = !options.siteValues.isEmpty();
  if (pairs && table.hasPortColumn)
    RefuseUsage(QStringLiteral("obiekty portów podaj opcjami --site PORT=OBIEKT albo w kolumnie 'port' tabeli %1, nie na oba sposoby").arg(options.sites));
  if (!pairs && !table.hasPortColumn)
    RefuseUsage(QStringLiteral("provision na kilku portach: podaj obiekt każdego portu w kolumnie 'port' tabeli albo opcją --site PORT=OBIEKT"));

  QStringList served;
  for (const QByteArray& port : ports) served.append(PortIdentity(NameFromBytes(port)));
  Claims claims(pairs ? ExitStatus::Usage : ExitStatus::Error);
  for (const QString& pair : options.siteValues) {
    const qsizetype eq = pair.indexOf(u'=');
    const Claim claim{pair.left(eq), pair.mid(eq + 1).trimmed(), QString()};
    if (eq <= 0 || claim.site.isEmpty()) RefuseUsage(QStringLiteral("--site %1: przy kilku portach podaj PORT=OBIEKT").arg(pair));
    if (!served.contains(PortIdentity(claim.port)))
      RefuseUsage(QStringLiteral("--site %1: portu %2 nie ma wśród portów polecenia").arg(pair, claim.port));
    claims.Add(claim);
  }
  for (const SiteRow& row : table.rows)
    if (!row.port.isEmpty()) claims.Add({row.port, row.site, QStringLiteral("%1:%2: ").arg(options.sites).arg(row.line)});

  QList<SiteRow> sites;
  for (const QByteArray& port : ports) {
    const QString name = NameFromBytes(port);
    const Claim* claim = claims.Of(name);
    if (!claim && pairs) RefuseUsage(QStringLiteral("port %1 nie ma obiektu: dodaj --site %1=OBIEKT").arg(name));
    if (!claim)
      throw CliError(ExitStatus::Error, QStringLiteral("%1: port %2 nie ma obiektu (brak go w kolumnie 'port')").arg(options.sites, name));
    const auto row = std::find_if(table.rows.cbegin(), table.rows.cend(), [claim](const SiteRow& r) { return r.site == claim->site; });
    if (row == table.rows.cend())
      throw CliError(ExitStatus::Error, QStringLiteral("%1: brak wiersza obiektu '%2'").arg(options.sites, claim->site));
    sites.append(*row);
  }
  return sites;
}
