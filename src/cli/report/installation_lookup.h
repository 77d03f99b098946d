#pragma once
// The installation a report names with --site ID, from the installations register.
#include <QString>
#include <optional>

#include "report_data.h"

// Its identifier, name and address. Throws CliError (Error) when the register cannot be read or
// has no installation of that id.
ReportSite LookUpInstallation(const QString& id);
