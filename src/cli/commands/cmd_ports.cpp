// ports: the serial ports present, with their descriptions, in the window's order, then the known
// network ports; ports add NAME URL and ports remove NAME keep the network ports.
#include <QJsonArray>

#include "cli_error.h"
#include "command_line.h"
#include "command_table.h"
#include "console.h"
#include "native_name.h"
#include "network_ports.h"
#include "port_discovery.h"

namespace {

ExitStatus ListPorts(Context& context) {
  const QList<DiscoveredPort> ports = DiscoverPorts();
  const QList<KnownNetPort> network = NetworkPorts().List();
  if (context.console.Json()) {
    QJsonArray list;
    for (const DiscoveredPort& p : ports)
      list.append(QJsonObject{{QStringLiteral("port"), NameFromBytes(p.name)},
                              {QStringLiteral("description"), p.description}});
    for (const KnownNetPort& p : network)
      list.append(QJsonObject{{QStringLiteral("port"), p.name},
                              {QStringLiteral("description"), QStringLiteral("port sieciowy")},
                              {QStringLiteral("network"), QString::fromUtf8(p.url)}});
    context.console.Result(QJsonObject{{QStringLiteral("ports"), list}});
    return ExitStatus::Done;
  }
  if (ports.isEmpty() && network.isEmpty()) context.console.Info(QStringLiteral("Nie znaleziono portów szeregowych"));
  for (const DiscoveredPort& p : ports)
    context.console.Result(QStringLiteral("%1  %2").arg(NameFromBytes(p.name), -20).arg(p.description));
  for (const KnownNetPort& p : network)
    context.console.Result(QStringLiteral("%1  port sieciowy %2").arg(p.name, -20).arg(QString::fromUtf8(p.url)));
  return ExitStatus::Done;
}

}  // namespace

ExitStatus RunPorts(Context& context) {
  const QStringList& args = context.options.arguments;
  if (args.isEmpty()) return ListPorts(context);
  const QString& verb = args.first();
  QString error;
  if (verb == u"add" && args.size() == 3) {
    if (!NetworkPorts().Add(args[1], args[2].toUtf8(), &error)) throw CliError(ExitStatus::Usage, error);
    context.console.Info(QStringLiteral("Zapamiętano port sieciowy %1: %2").arg(args[1], NetworkPorts().Find(args[1]).value_or(QByteArray())));
    return ExitStatus::Done;
  }
  if (verb == u"remove" && args.size() == 2) {
    if (!NetworkPorts().Remove(args[1], &error)) throw CliError(ExitStatus::Error, error);
    context.console.Info(QStringLiteral("Zapomniano port sieciowy %1").arg(args[1]));
    return ExitStatus::Done;
  }
  RefuseUsage(QStringLiteral("ports przyjmuje: nic, add NAZWA URL albo remove NAZWA (velt-cli --help)"));
}
