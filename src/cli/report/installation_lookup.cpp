#include "installation_lookup.h"

#include "company_details.h"
#include "register_fault.h"
#include "report_company.h"
#include "register_keeper.h"
#include "site_register.h"

ReportSite SiteOfInstallation(const Installation& installation) {
  const InstallationFields& f = installation.fields;
  return ReportSite{f.site, f.name, f.address, f.contact};
}

ReportSite LookUpInstallation(RegisterKeeper& keeper, const QString& id) {
  return SiteOfInstallation(SiteRegister::OfSite(SiteRegister::Open(keeper), id));
}

std::optional<ReportSite> InstallationOfEntry(RegisterKeeper& keeper, const QString& uuid) {
  if (uuid.isEmpty()) return std::nullopt;
  QString why;
  RegisterStore* store = keeper.Store(&why);
  if (!store) return std::nullopt;
  try {
    if (const std::optional<Installation> found = Installations(*store).Get(uuid)) return SiteOfInstallation(*found);
  } catch (const RegisterFault&) {
  }
  return std::nullopt;
}

std::optional<ReportCompany> LetterheadFromRegister(RegisterKeeper& keeper) {
  QString why;
  RegisterStore* store = keeper.Store(&why);
  if (!store) return std::nullopt;
  try {
    return LetterheadOf(CompanyRegister(*store).Current());
  } catch (const RegisterFault&) {
    return std::nullopt;
  }
}
