#pragma once
// The one routine that brings a register, local or shared, to the last of its schema's steps:
// step n takes version n - 1 to version n, the version kept in register_version. A register
// that is up to date is only read; one of a newer velt is refused.
#include <QList>
#include <QStringList>
#include <functional>

#include "register_fault.h"
#include "sql_connection.h"

namespace SchemaMigration {

// `newer` words the refusal of a register at the version given; `lock` (none when empty) is run
// first in the migration's transaction, keeping two computers from migrating at once where the
// transaction alone does not.
template <typename Store>
void Run(Store& store, SqlConnection& sql, const QList<QStringList>& steps, const std::function<RegisterFault(int)>& newer,
         const QString& lock = {}) {
  const int last = int(steps.size());
  const auto refuseNewer = [&](int version) {
    if (version > last) throw newer(version);
  };
  // Read first: a register that is up to date opens without a writer's lock or rights.
  int version = store.SchemaVersion();
  refuseNewer(version);
  if (version == last) return;
  typename Store::Transaction transaction(store);
  if (!lock.isEmpty()) sql.Plain(lock);
  version = store.SchemaVersion();  // another program may have brought it up meanwhile
  refuseNewer(version);
  if (version == last) return;
  // Definitions run unprepared: a driver prepares what it is given values for, which a
  // definition cannot be.
  for (qsizetype step = version; step < steps.size(); ++step)
    for (const QString& statement : steps[step]) sql.Plain(statement);
  if (version == 0) {
    sql.Plain(QStringLiteral("CREATE TABLE register_version (version INTEGER NOT NULL)"));
    store.Run(QStringLiteral("INSERT INTO register_version (version) VALUES (?)"), {last});
  } else {
    store.Run(QStringLiteral("UPDATE register_version SET version = ?"), {last});
  }
  transaction.Commit();
}

}  // namespace SchemaMigration
