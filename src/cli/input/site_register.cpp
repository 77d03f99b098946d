#include "site_register.h"

#include "cli_error.h"
#include "command_line.h"
#include "register_fault.h"
#include "site_id.h"
#include "technician.h"

namespace SiteRegister {

RegisterStore& Open(RegisterKeeper& keeper) {
  QString why;
  if (RegisterStore* store = keeper.Store(&why)) return *store;
  throw CliError(ExitStatus::Error, why);
}

Installation OfSite(RegisterStore& store, const QString& typed) {
  const QString site = SiteId::Typed(typed);
  std::optional<Installation> found;
  try {
    found = Installations(store).BySite(site);
  } catch (const RegisterFault& fault) {
    throw CliError(ExitStatus::Error, fault.message());
  }
  if (!found)
    throw CliError(ExitStatus::Error, QStringLiteral("nie ma w rejestrze instalacji '%1' (velt-cli site add %1 --name NAZWA)")
                                          .arg(site));
  return *found;
}

QString Ensure(RegisterStore& store, const InstallationFields& fields, bool* added) {
  try {
    Installations installations(store);
    if (const std::optional<Installation> known = installations.BySite(fields.site)) {
      if (added) *added = false;
      return known->uuid;
    }
    if (added) *added = true;
    return installations.Add(fields, Technician::Name());
  } catch (const RegisterFault& fault) {
    throw CliError(ExitStatus::Error, fault.message());
  }
}

QString OfOption(const CliOptions& options) {
  if (options.site.isEmpty() || options.command == u"provision") return {};
  RegisterKeeper keeper;
  return OfSite(Open(keeper), options.site).uuid;
}

}  // namespace SiteRegister
