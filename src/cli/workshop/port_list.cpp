#include "port_list.h"

#include <QFileInfo>
#include <QHash>
#include <climits>
#include <cstdlib>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include "cli_error.h"
#include "command_line.h"
#include "console.h"
#include "native_name.h"
#include "net_address.h"
#include "network_ports.h"
#include "port_choice.h"

QString PortIdentity(const QString& path) {
  // One server port, whether raw or RFC 2217: host as written, and the port number.
  QString ignored;
  if (const std::optional<NetAddress> address = NetAddressText::Parse(NameBytes(path), &ignored))
    return QStringLiteral("network %1 %2").arg(address->host.toLower()).arg(address->port);
  struct stat status {};
  const QByteArray name = NameBytes(path);
  if (::stat(name.constData(), &status) == 0 && S_ISCHR(status.st_mode))
    return QStringLiteral("device %1:%2").arg(major(status.st_rdev)).arg(minor(status.st_rdev));
  char resolved[PATH_MAX];
  return ::realpath(name.constData(), resolved) ? NameFromBytes(resolved) : QFileInfo(path).absoluteFilePath();
}

QList<QByteArray> CommandPorts(const CliOptions& options, Console& console) {
  QList<QByteArray> ports;
  QHash<QString, QString> nameOfDevice;
  if (!options.allPorts) {
    for (const QString& given : options.ports) {
      const QString port = NameFromBytes(PortGiven(given));
      const QString identity = PortIdentity(port);
      if (nameOfDevice.contains(identity))
        throw CliError(ExitStatus::Usage, port == nameOfDevice.value(identity)
                                              ? QStringLiteral("port %1 podany dwa razy").arg(port)
                                              : QStringLiteral("%1 i %2 to ten sam port: podaj go raz").arg(nameOfDevice.value(identity), port));
      nameOfDevice.insert(identity, port);
      ports.append(NameBytes(port));
    }
    return ports;
  }
  if (!options.ports.isEmpty())
    throw CliError(ExitStatus::Usage, QStringLiteral("--ports all bierze wszystkie porty: nie łącz go z -p"));
  for (const DiscoveredPort& found : ListedPorts()) {
    const QString name = NameFromBytes(found.name);
    const QString identity = PortIdentity(name);
    if (nameOfDevice.contains(identity)) {
      console.Info(QStringLiteral("Pomijam %1: to ten sam port co %2").arg(name, nameOfDevice.value(identity)));
      continue;
    }
    nameOfDevice.insert(identity, name);
    ports.append(found.name);
  }
  if (ports.isEmpty()) throw CliError(ExitStatus::Error, QStringLiteral("nie znaleziono portu szeregowego"));
  return ports;
}
