#pragma once
// The configuration that provisioning starts from: a configuration file (.gcf, as the window
// saves it; its access password is not used), or a JSON object of item keys with their
// readable values. A JSON template may also be what "read --json" or "show --json" printed:
// then its "items" member is taken. Keys a JSON template leaves out keep the values of a new
// record, as the window shows them before anything is read.
#include <QString>

#include "config_record.h"

// Throws CliError (Error) naming the file, the place (line, column) and the key.
ConfigRecord LoadTemplate(const QString& path);
