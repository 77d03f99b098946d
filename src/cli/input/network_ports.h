#pragma once
// The network ports the user has named, as velt-cli finds them: in velt.conf, beside the choice
// of register. A name given for a port stands for its URL.
#include <QByteArray>
#include <QString>

#include "known_net_ports.h"

KnownNetPorts NetworkPorts();
// What was given for a port: a known network port's URL for its name, else the name as given.
QByteArray PortGiven(const QString& given);
