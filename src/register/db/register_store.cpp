#include "register_store.h"

#include <QSqlError>

#include "register_fault.h"
#include "register_schema.h"
#include "schema_migration.h"

namespace {
// Pages the connection keeps in memory (negative: kibibytes), so that a search runs from memory.
constexpr char CachePragma[] = "PRAGMA cache_size = -65536";
}  // namespace

RegisterStore::RegisterStore(const Options& options)
    : path_(options.path), wallClock_(options.wallClock), hold_(path_), sql_(QStringLiteral("velt-register-"), QStringLiteral("QSQLITE"),
                                [this](const QSqlError& error) { return Fault(error); }) {
  QSqlDatabase db = sql_.Database();
  if (!db.isValid())
    throw RegisterFault(RegisterFault::Kind::Unavailable,
                        QStringLiteral("Brak sterownika bazy danych SQLite dla Qt (pakiet libqt6sql6-sqlite)"));
  db.setDatabaseName(path_);
  db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(options.busyTimeoutMs));
  sql_.Open();
  // Reading the schema first: a file that is no database fails here, before anything is written.
  Run(QStringLiteral("SELECT count(*) FROM sqlite_master"));
  Run(QStringLiteral("PRAGMA journal_mode = WAL"));
  Run(QLatin1String(CachePragma));
  Migrate();
}

RegisterStore::~RegisterStore() = default;

RegisterFault RegisterStore::Fault(const QSqlError& error) {
  RegisterFault fault = RegisterFault::OfError(error, path_);
  // Found damaged by the engine: never written to again, by this program or another.
  if (fault.kind() == RegisterFault::Kind::Damaged && damage_.isEmpty()) {
    damage_ = fault.message();
    RegisterFile::NoteDamage(path_, RegisterFault::Meaning(error));
  }
  return fault;
}

int RegisterStore::SchemaVersion() {
  if (!Row(QStringLiteral("SELECT 1 FROM sqlite_master WHERE name = 'register_version'"))) return 0;
  const std::optional<QVariantList> row = Row(QStringLiteral("SELECT version FROM register_version"));
  return row ? row->at(0).toInt() : 0;
}

void RegisterStore::Migrate() {
  const int before = SchemaVersion();
  SchemaMigration::Run(*this, sql_, RegisterSchema::Steps(), [&](int version) {
    return RegisterFault(RegisterFault::Kind::Newer,
                         QStringLiteral("Rejestr instalacji %1 zapisała nowsza wersja velt (schemat %2, ta wersja zna %3)")
                             .arg(path_)
                             .arg(version)
                             .arg(RegisterSchema::CurrentVersion()));
  });
  if (before > 0 && before < RegisterSchema::CurrentVersion()) migratedFrom_ = before;
}

RegisterStore::Transaction::Transaction(RegisterStore& store) : store_(store) {
  if (store_.depth_ > 0) {
    ++store_.depth_;
    return;
  }
  // Another program may have found it damaged since it was opened here.
  if (!store_.damage_.isEmpty()) throw RegisterFault(RegisterFault::Kind::Damaged, store_.damage_);
  RegisterFile::CheckDamageNote(store_.path_);
  ++store_.depth_;
  try {
    store_.Run(QStringLiteral("BEGIN IMMEDIATE"));
  } catch (...) {
    --store_.depth_;
    throw;
  }
}

RegisterStore::Transaction::~Transaction() {
  if (!open_) return;
  if (--store_.depth_ > 0) return;
  QSqlQuery(store_.sql_.Database()).exec(QStringLiteral("ROLLBACK"));
}

void RegisterStore::Transaction::Commit() {
  open_ = false;
  if (--store_.depth_ > 0) return;
  try {
    store_.Run(QStringLiteral("COMMIT"));
  } catch (...) {
    QSqlQuery(store_.sql_.Database()).exec(QStringLiteral("ROLLBACK"));
    throw;
  }
}
