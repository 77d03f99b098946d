#pragma once
// What a report names from the installations register: the installation of --site ID or of the
// history entry, and the company's letterhead.
#include <QString>
#include <optional>

#include "installations.h"
#include "report_data.h"

class RegisterKeeper;

// What the report shows of it: identifier, name, address and contact.
ReportSite SiteOfInstallation(const Installation& installation);

// Throws CliError (Error) when the register cannot be read or has no installation of that id.
ReportSite LookUpInstallation(RegisterKeeper& keeper, const QString& id);

// The company's letterhead from the register; nullopt when none is kept or the register cannot
// be read (the report is then made without it).
std::optional<ReportCompany> LetterheadFromRegister(RegisterKeeper& keeper);

// The installation of that UUID; nullopt when there is none or the register cannot tell.
std::optional<ReportSite> InstallationOfEntry(RegisterKeeper& keeper, const QString& uuid);
