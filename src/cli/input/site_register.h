#pragma once
// The installations register as velt-cli's commands reach it: a fault of the register is the
// command's error (exit 1) with the register's own message, and a site is named by its ID.
#include <QString>

#include "installations.h"
#include "register_keeper.h"

struct CliOptions;

namespace SiteRegister {

// The open register of `keeper`; throws CliError (Error).
RegisterStore& Open(RegisterKeeper& keeper);

// The installation of the site as typed: throws CliError (Usage) for an ID typed wrong (site_id.h),
// (Error) when the register has none.
Installation OfSite(RegisterStore& store, const QString& site);

// The UUID of the site's installation, added with `fields` when the register has none (by
// provision and sites import). Throws CliError (Error).
QString Ensure(RegisterStore& store, const InstallationFields& fields, bool* added = nullptr);

// The installation named by --site of read, write, set and firmware; empty without the option.
// Throws CliError before anything is sent.
QString OfOption(const CliOptions& options);

}  // namespace SiteRegister
