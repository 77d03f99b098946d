#pragma once
// read -o FOLDER: the configuration of each controller as a file of its own in an existing
// folder, named after the port and the first telephone number read, for one port as for many.
#include <QByteArray>
#include <QString>

#include "config_file.h"

bool IsFolder(const QString& output);
// Before anything is read: throws CliError (Error) when no file can be made there.
void CheckReadFolder(const QString& folder);
// Writes PORT_PHONE1.gcf (PORT.gcf without a number) as the window saves a file; a name already
// taken gets a suffix, PORT_PHONE1_2.gcf, and is never replaced. Returns the path. Throws CliError.
QString SaveIntoFolder(const QString& folder, const QByteArray& port, const ConfigFile& file);
