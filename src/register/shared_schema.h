#pragma once
// The register's schema on a shared server: the tables of the local register in that server's
// types, keyed by the same UUIDs, with two differences that sharing needs. An installation's
// site is not unique there, since two computers may each add one offline; and the bytes of a
// configuration with its access password and SIM PIN live in a table of their own, which a role
// may be denied. An edit names the edit it followed on its computer, so that what it changed,
// and so the newer change of each field, can be told.
#include <QList>
#include <QStringList>

namespace SharedSchema {

// The statements of each step, step 1 first.
const QList<QStringList>& Steps();
inline int CurrentVersion() { return int(Steps().size()); }

// The index that finds a part of the search text without reading every installation; it needs
// an extension which the role that migrates may not be allowed to create.
const QStringList& SearchIndex();
inline constexpr char SearchIndexName[] = "installations_search";

}  // namespace SharedSchema
