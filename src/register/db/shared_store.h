#pragma once
// A connection to the shared register: opened with a connect time-out of at most 3 s, statement
// and lock time-outs of 10 s, and the
// TLS mode of the choice, the password left to the server's client library; the schema created
// or brought up to date by whichever computer comes first. One object per thread: each has a
// connection of its own. Every failure throws RegisterFault (shared_fault.h).
#include <QString>
#include <QVariantList>
#include <optional>

#include "register_choice.h"
#include "sql_connection.h"

class SharedStore {
 public:
  static constexpr int ConnectTimeoutS = 3;
  // The longest a statement runs, or waits for a lock, on the server.
  static constexpr int StatementTimeoutMs = 10000;

  explicit SharedStore(SharedTarget target);
  ~SharedStore();
  SharedStore(const SharedStore&) = delete;
  SharedStore& operator=(const SharedStore&) = delete;

  const SharedTarget& Target() const { return target_; }
  int SchemaVersion();

  // As RegisterStore's.
  void Run(const QString& sql, const QVariantList& values = {}) { sql_.Run(sql, values); }
  QList<QVariantList> Rows(const QString& sql, const QVariantList& values = {}) { return sql_.Rows(sql, values); }
  std::optional<QVariantList> Row(const QString& sql, const QVariantList& values = {}) { return sql_.Row(sql, values); }

  // What this role may do with the access passwords and SIM PINs.
  bool CanReadSecrets() const { return readSecrets_; }
  bool CanKeepSecrets() const { return keepSecrets_; }

  // Reads that all see the register as of one moment, until it ends.
  class Snapshot {
   public:
    explicit Snapshot(SharedStore& store);
    ~Snapshot();
    Snapshot(const Snapshot&) = delete;
    Snapshot& operator=(const Snapshot&) = delete;

   private:
    SharedStore& store_;
  };
  // Whether this connection is encrypted, as the server tells.
  bool Encrypted() const { return encrypted_; }

  class Transaction {
   public:
    explicit Transaction(SharedStore& store);
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void Commit();

   private:
    SharedStore& store_;
    bool open_ = true;
  };

 private:
  void Migrate();
  bool HasPrivilege(const char* table, const char* privilege);

  SharedTarget target_;
  SqlConnection sql_;
  bool readSecrets_ = false, keepSecrets_ = false, encrypted_ = false;
};

// Texts as the shared server stores them: it takes no NUL character in a text.
inline QVariant SharedText(const QString& text) {
  return text.contains(QChar(0)) ? QVariant(QString(text).remove(QChar(0))) : QVariant(text.isNull() ? QStringLiteral("") : text);
}
