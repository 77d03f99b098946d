#include "sql_connection.h"

#include <QSqlError>
#include <QSqlRecord>
#include <QUuid>

SqlConnection::SqlConnection(const QString& prefix, const QString& driver, Wording wording)
    : name_(prefix + QUuid::createUuid().toString(QUuid::Id128)), wording_(std::move(wording)) {
  QSqlDatabase::addDatabase(driver, name_);
}

SqlConnection::~SqlConnection() {
  // The connection closed and its driver gone before the statements: a statement that outlives
  // its driver frees nothing on the server, whose session ended with the connection, and so
  // has nothing to complain of when that server went away meanwhile.
  Database().close();
  QSqlDatabase::removeDatabase(name_);
  prepared_.clear();
}

void SqlConnection::Open() {
  QSqlDatabase db = Database();
  if (!db.open()) Fail(db.lastError());
}

void SqlConnection::Plain(const QString& sql) {
  QSqlQuery query(Database());
  if (!query.exec(sql)) Fail(query.lastError());
}

QSqlQuery& SqlConnection::Exec(const QString& sql, const QVariantList& values) {
  auto it = prepared_.find(sql);
  if (it == prepared_.end()) {
    QSqlQuery query(Database());
    query.setForwardOnly(true);
    if (!query.prepare(sql)) Fail(query.lastError());
    it = prepared_.insert(sql, std::move(query));
  }
  QSqlQuery& query = *it;
  for (int i = 0; i < values.size(); ++i) query.bindValue(i, values[i]);
  if (!query.exec()) Fail(query.lastError());
  return query;
}

void SqlConnection::Run(const QString& sql, const QVariantList& values) { Exec(sql, values).finish(); }

QList<QVariantList> SqlConnection::Rows(const QString& sql, const QVariantList& values) {
  QSqlQuery& query = Exec(sql, values);
  QList<QVariantList> rows;
  const int columns = query.record().count();
  while (query.next()) {
    QVariantList row;
    row.reserve(columns);
    for (int i = 0; i < columns; ++i) row.append(query.value(i));
    rows.append(std::move(row));
  }
  const QSqlError error = query.lastError();
  query.finish();
  if (error.isValid()) Fail(error);
  return rows;
}

std::optional<QVariantList> SqlConnection::Row(const QString& sql, const QVariantList& values) {
  QList<QVariantList> rows = Rows(sql, values);
  if (rows.isEmpty()) return std::nullopt;
  return std::move(rows.first());
}
