#include "network_ports.h"

#include "native_name.h"
#include "technician.h"

KnownNetPorts NetworkPorts() { return KnownNetPorts(Technician::SettingsPath()); }

QByteArray PortGiven(const QString& given) {
  if (const std::optional<QByteArray> url = NetworkPorts().Find(given)) return *url;
  return NameBytes(given);
}
