#pragma once
// One named Qt SQL connection and the statements prepared on it, for the local and the shared
// register alike: run with values bound in order, every row read before they return, a failure
// thrown as the owner words it.
#include <QHash>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>
#include <functional>
#include <optional>

#include "register_fault.h"

class SqlConnection {
 public:
  // The fault to throw for a failed statement or connection.
  using Wording = std::function<RegisterFault(const QSqlError&)>;

  // A connection of a name of its own ("velt-register-…"), for the Qt SQL driver given.
  SqlConnection(const QString& prefix, const QString& driver, Wording wording);
  ~SqlConnection();
  SqlConnection(const SqlConnection&) = delete;
  SqlConnection& operator=(const SqlConnection&) = delete;

  QSqlDatabase Database() const { return QSqlDatabase::database(name_, false); }
  [[noreturn]] void Fail(const QSqlError& error) const { throw wording_(error); }
  // Opens it; throws on failure.
  void Open();
  // A statement run as it is, unprepared (definitions, savepoints); throws on failure.
  void Plain(const QString& sql);
  void Run(const QString& sql, const QVariantList& values = {});
  QList<QVariantList> Rows(const QString& sql, const QVariantList& values = {});
  std::optional<QVariantList> Row(const QString& sql, const QVariantList& values = {});

 private:
  QSqlQuery& Exec(const QString& sql, const QVariantList& values);

  QString name_;
  Wording wording_;
  QHash<QString, QSqlQuery> prepared_;
};
