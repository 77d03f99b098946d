#include "port_choice.h"

#include <QStringList>

#include "cli_error.h"
#include "native_name.h"
#include "network_ports.h"
#include "port_discovery.h"

QList<DiscoveredPort> ListedPorts() {
  QList<DiscoveredPort> ports = DiscoverPorts();
  for (const KnownNetPort& p : NetworkPorts().List())
    ports.append({p.url, QStringLiteral("port sieciowy %1").arg(p.name)});
  return ports;
}

QByteArray ChoosePort(const QString& given) {
  if (!given.isEmpty()) return PortGiven(given);
  const QList<DiscoveredPort> ports = ListedPorts();
  if (ports.size() == 1) return ports.front().name;
  if (ports.isEmpty())
    throw CliError(ExitStatus::Error, QStringLiteral("nie znaleziono portu szeregowego; podaj go opcją -p"));
  QStringList lines;
  for (const DiscoveredPort& p : ports)
    lines.append(QStringLiteral("  %1  %2").arg(NameFromBytes(p.name), p.description));
  throw CliError(ExitStatus::Usage,
                 QStringLiteral("znaleziono kilka portów, wybierz jeden opcją -p:\n") + lines.join(u'\n'));
}
