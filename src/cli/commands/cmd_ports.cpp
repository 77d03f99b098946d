// ports: the serial ports present, with their descriptions, in the window's order.
#include <QJsonArray>

#include "command_table.h"
#include "console.h"
#include "native_name.h"
#include "port_discovery.h"

ExitStatus RunPorts(Context& context) {
  const QList<DiscoveredPort> ports = DiscoverPorts();
  if (context.console.Json()) {
    QJsonArray list;
    for (const DiscoveredPort& p : ports)
      list.append(QJsonObject{{QStringLiteral("port"), NameFromBytes(p.name)},
                              {QStringLiteral("description"), p.description}});
    context.console.Result(QJsonObject{{QStringLiteral("ports"), list}});
    return ExitStatus::Done;
  }
  if (ports.isEmpty()) context.console.Info(QStringLiteral("Nie znaleziono portów szeregowych"));
  for (const DiscoveredPort& p : ports)
    context.console.Result(QStringLiteral("%1  %2").arg(NameFromBytes(p.name), -20).arg(p.description));
  return ExitStatus::Done;
}
