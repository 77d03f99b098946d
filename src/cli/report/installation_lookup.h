#pragma once
// The installation a report names, from the installations register: the one of --site ID, or the
// one a history entry belongs to.
#include <QString>
#include <optional>

#include "installations.h"
#include "report_data.h"

class RegisterKeeper;

// What the report shows of it: identifier, name, address and contact.
ReportSite SiteOfInstallation(const Installation& installation);

// Throws CliError (Error) when the register cannot be read or has no installation of that id.
ReportSite LookUpInstallation(RegisterKeeper& keeper, const QString& id);

// The installation of that UUID; nullopt when there is none or the register cannot tell.
std::optional<ReportSite> InstallationOfEntry(RegisterKeeper& keeper, const QString& uuid);
