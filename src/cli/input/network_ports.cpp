#include "network_ports.h"

#include "technician.h"

KnownNetPorts NetworkPorts() { return KnownNetPorts(Technician::SettingsPath()); }

QByteArray PortGiven(const QString& given) { return NetworkPorts().Resolve(given); }
