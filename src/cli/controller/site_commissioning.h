#pragma once
// One site's commissioning, shared by one port and many: the template with the site's row over
// it, planned and checked before any port opens; then written to the controller (and read back
// when asked), the state read at the end and the record filed.
#include <QStringList>
#include <optional>

#include "cli_error.h"
#include "commissioning_record.h"
#include "site_table.h"

struct CliOptions;
class Console;
class Session;

// Throws CliError (Error) when the values break the rules between the option boxes.
CommissioningRecord PlanCommissioning(const CliOptions& options, const ConfigRecord& configTemplate, const SiteRow& row);

// The UUID of the installation of the row's site, which the register gets with the row's details
// when it does not know it yet; empty, with a warning, while the register cannot be used: the
// controller is provisioned all the same.
QString InstallationOfRow(const SiteRow& row, Console& console);

struct Commissioned {
  QStringList files;                     // the record's, when one was filed
  std::optional<CliError> recordFailure;  // the controller was written, its record not
  ExitStatus Status(const CommissioningRecord& record) const;
};

// Throws CliError when the controller could not be written.
Commissioned Commission(Session& session, CommissioningRecord& record, const CliOptions& options, Console& console);
