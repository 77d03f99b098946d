#pragma once
// The port a command talks through: the one given with -p, else the only port that discovery
// finds (the same list the window offers).
#include <QByteArray>
#include <QString>

// Throws CliError: no port found (Error), several found (Usage, with the list).
QByteArray ChoosePort(const QString& given);
