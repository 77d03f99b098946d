#pragma once
// The port a command talks through: the one given with -p (a known network port by its name),
// else the only port listed (the same list the window offers).
#include <QByteArray>
#include <QList>
#include <QString>

#include "port_discovery.h"

// The ports discovery finds, then the known network ports (their URL and name).
QList<DiscoveredPort> ListedPorts();

// Throws CliError: no port found (Error), several found (Usage, with the list).
QByteArray ChoosePort(const QString& given);
