#pragma once
// The register's database: opened (made when missing, with its folder, for its owner only),
// checked, set to a write-ahead log so that the window and several velt-cli processes use it at
// once, and brought up to the current schema. Statements run with bound parameters only and
// are prepared once per connection. Every failure throws RegisterFault; a file found damaged is
// never written to.
#include <QString>
#include <QVariant>
#include <optional>

#include "hybrid_clock.h"
#include "register_file.h"
#include "sql_connection.h"

// A text or bytes bound as themselves: Qt binds a null QString or QByteArray as SQL NULL.
inline QVariant Bound(const QString& text) { return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text); }
inline QVariant Bound(const QByteArray& bytes) { return bytes.isNull() ? QVariant(QByteArray("")) : QVariant(bytes); }
// An optional reference: NULL when empty.
inline QVariant BoundOrNull(const QString& uuid) { return uuid.isEmpty() ? QVariant() : QVariant(uuid); }

struct RegisterOptions {
  QString path = RegisterFile::DefaultPath();
  int busyTimeoutMs = 5000;  // how long a write waits for another program's before giving up
  HybridClock::WallClock wallClock = HybridClock::SystemWallMs;  // when changes are made
};

class RegisterStore {
 public:
  using Options = RegisterOptions;

  explicit RegisterStore(const Options& options = {});
  ~RegisterStore();
  RegisterStore(const RegisterStore&) = delete;
  RegisterStore& operator=(const RegisterStore&) = delete;

  const QString& Path() const { return path_; }
  qint64 NowMs() const { return wallClock_(); }
  int SchemaVersion();

  // Run a statement with `values` bound to its placeholders in order. Every row is read before
  // they return, so that no statement keeps a read of the file open.
  void Run(const QString& sql, const QVariantList& values = {}) { sql_.Run(sql, values); }
  QList<QVariantList> Rows(const QString& sql, const QVariantList& values = {}) { return sql_.Rows(sql, values); }
  // The first row; nullopt when there is none.
  std::optional<QVariantList> Row(const QString& sql, const QVariantList& values = {}) { return sql_.Row(sql, values); }

  // A write transaction, taken at once so that two writers never deadlock. Nested ones join
  // the outermost; what is not committed is rolled back when it ends. Refused (Damaged) once
  // the register was found damaged, here or by another program.
  class Transaction {
   public:
    explicit Transaction(RegisterStore& store);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

   private:
    RegisterStore& store_;
    bool open_ = true;
  };

  // The schema version this opening brought the register up from; 0 when it was up to date or new.
  int MigratedFrom() const { return migratedFrom_; }

 private:
  void Migrate();
  RegisterFault Fault(const QSqlError& error);

  QString path_;
  HybridClock::WallClock wallClock_;
  RegisterFile::Hold hold_;  // made before the connection and ended after it
  SqlConnection sql_;
  int migratedFrom_ = 0;
  int depth_ = 0;   // of nested transactions
  QString damage_;  // why the engine found the file damaged; empty while it did not
};
