#pragma once
// The installation a report names with --site ID, from the installations register.
#include <QString>
#include <optional>

#include "report_data.h"

// Its identifier, name and address; nullopt when the register has no installation of that id.
// Throws CliError (Error) when the register cannot be read.
std::optional<ReportSite> LookUpInstallation(const QString& id);
