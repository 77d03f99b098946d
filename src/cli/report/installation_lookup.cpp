#include "installation_lookup.h"

#include "cli_error.h"
#include "installations.h"
#include "register_fault.h"
#include "register_store.h"

std::optional<ReportSite> LookUpInstallation(const QString& id) {
  try {
    RegisterStore store;
    const std::optional<Installation> found = Installations(store).BySite(id);
    if (!found) return std::nullopt;
    return ReportSite{found->fields.site, found->fields.name, found->fields.address};
  } catch (const RegisterFault& fault) {
    throw CliError(ExitStatus::Error, fault.message());
  }
}
