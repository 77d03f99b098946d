#pragma once
// The register's schema as the steps that made it: step n takes a register of version n - 1 to
// version n. The statements keep to SQL that a shared server runs as well; every row that will
// travel is keyed by a UUID, and rows refer to one another by it.
#include <QList>
#include <QStringList>

namespace RegisterSchema {

// The statements of each step, step 1 first.
const QList<QStringList>& Steps();
inline int CurrentVersion() { return int(Steps().size()); }

}  // namespace RegisterSchema
