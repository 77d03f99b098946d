#pragma once
// The register's schema on a shared server: the tables of the local register in that server's
// types, keyed by the same UUIDs. Rows are only ever added. The bytes of a configuration with its
// access password and SIM PIN live in a table of their own, which a role may be denied; a site
// belongs to the installation that claimed it first (installation_sites).
#include <QList>
#include <QStringList>

namespace SharedSchema {

// The statements of each step, step 1 first.
const QList<QStringList>& Steps();
inline int CurrentVersion() { return int(Steps().size()); }


}  // namespace SharedSchema
