#include "shared_store.h"

#include <QSqlDatabase>
#include <QSqlError>

#include "shared_fault.h"
#include "schema_migration.h"
#include "shared_schema.h"

namespace {

// Any number: the lock that keeps two computers from migrating at once.
constexpr qint64 MigrationLock = 0x76656c74;

// A connection whose network went away ends within seconds rather than at the system's
// time-outs: keep-alives, and a bound on unacknowledged data.
QString ConnectOptions(const SharedTarget& target) {
  QStringList options{QStringLiteral("connect_timeout=%1").arg(SharedStore::ConnectTimeoutS),
                      QStringLiteral("application_name=velt"), QStringLiteral("keepalives=1"),
                      QStringLiteral("keepalives_idle=5"), QStringLiteral("keepalives_interval=2"),
                      QStringLiteral("keepalives_count=3"), QStringLiteral("tcp_user_timeout=10000"),
                      // Notices of what exists already would reach the user's terminal; no
                      // statement and no lock held by another session keeps velt waiting long;
                      // a program that went away mid-statement has its transaction cancelled
                      // within a second rather than when the statement ends.
                      QStringLiteral("options='-c client_min_messages=warning -c statement_timeout=%1 -c lock_timeout=%1 "
                                     "-c client_connection_check_interval=1000'")
                          .arg(SharedStore::StatementTimeoutMs)};
  if (const QString mode = target.TlsMode(); !mode.isEmpty()) options << QStringLiteral("sslmode=") + mode;
  return options.join(u';');
}

}  // namespace

SharedStore::SharedStore(SharedTarget target)
    : target_(std::move(target)), sql_(QStringLiteral("velt-shared-"), QStringLiteral("QPSQL"),
                                       [this](const QSqlError& error) { return SharedFault::Of(error, target_); }) {
  QSqlDatabase db = sql_.Database();
  if (!db.isValid())
    throw RegisterFault(RegisterFault::Kind::Unavailable,
                        QStringLiteral("Brak sterownika bazy danych PostgreSQL dla Qt (pakiet libqt6sql6-psql)"));
  db.setHostName(target_.host);
  db.setPort(target_.port);
  db.setDatabaseName(target_.database);
  db.setUserName(target_.user);
  db.setConnectOptions(ConnectOptions(target_));
  sql_.Open();
  encrypted_ = Row(QStringLiteral("SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()")).value_or(QVariantList{false}).at(0).toBool();
  Migrate();
  readSecrets_ = HasPrivilege("configuration_secrets", "SELECT");
  keepSecrets_ = HasPrivilege("configuration_secrets", "INSERT");
}

SharedStore::~SharedStore() = default;

bool SharedStore::HasPrivilege(const char* table, const char* privilege) {
  return Row(QStringLiteral("SELECT has_table_privilege(?, ?)"), {QLatin1String(table), QLatin1String(privilege)})
      ->at(0)
      .toBool();
}

int SharedStore::SchemaVersion() {
  // The catalogue read as of this statement: a lookup by name may answer from a cache that
  // predates another computer's migration.
  if (Row(QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = current_schema() "
                         "AND tablename = 'register_version'"))->at(0).toInt() == 0)
    return 0;
  const std::optional<QVariantList> row = Row(QStringLiteral("SELECT version FROM register_version"));
  return row ? row->at(0).toInt() : 0;
}

void SharedStore::Migrate() {
  SchemaMigration::Run(
      *this, sql_, SharedSchema::Steps(),
      [&](int version) {
        return RegisterFault(RegisterFault::Kind::Newer,
                             QStringLiteral("Rejestr wspólny %1 ma schemat nowszej wersji velt (%2, ta wersja zna %3)")
                                 .arg(target_.Url())
                                 .arg(version)
                                 .arg(SharedSchema::CurrentVersion()));
      },
      QStringLiteral("SELECT pg_advisory_xact_lock(%1)").arg(MigrationLock));
}

SharedStore::Snapshot::Snapshot(SharedStore& store) : store_(store) {
  store_.sql_.Plain(QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"));
}

SharedStore::Snapshot::~Snapshot() { QSqlQuery(store_.sql_.Database()).exec(QStringLiteral("ROLLBACK")); }

SharedStore::Transaction::Transaction(SharedStore& store) : store_(store) {
  QSqlDatabase db = store_.sql_.Database();
  if (!db.transaction()) store_.sql_.Fail(db.lastError());
}

SharedStore::Transaction::~Transaction() {
  if (open_) store_.sql_.Database().rollback();
}

void SharedStore::Transaction::Commit() {
  open_ = false;
  QSqlDatabase db = store_.sql_.Database();
  if (!db.commit()) {
    const QSqlError error = db.lastError();
    db.rollback();
    store_.sql_.Fail(error);
  }
}
