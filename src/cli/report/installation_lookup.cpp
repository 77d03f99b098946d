#include "installation_lookup.h"

#include "site_register.h"

ReportSite LookUpInstallation(const QString& id) {
  RegisterKeeper keeper;
  const Installation found = SiteRegister::OfSite(SiteRegister::Open(keeper), id);
  return ReportSite{found.fields.site, found.fields.name, found.fields.address};
}
