#pragma once
// The ports of a command that serves several controllers at once: every -p and --ports list
// entry in order (a known network port by its name), or with --ports all every port listed. A port is never opened twice: one device named
// twice with -p (also through a link) is refused before anything is sent, and of the names
// discovery lists for one device only the first is taken.
#include <QByteArray>
#include <QList>
#include <QString>

struct CliOptions;
class Console;

// What two names of one device share: the device number of a character device, else the path
// with its links resolved (or as given, when there is no such file).
QString PortIdentity(const QString& path);

// Throws CliError: a port twice or -p with --ports all (Usage), no port found (Error).
QList<QByteArray> CommandPorts(const CliOptions& options, Console& console);
