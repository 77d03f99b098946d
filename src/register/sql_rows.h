#pragma once
// Every row a run statement gives, read whole, its error returned rather than thrown, for the
// local and the shared register alike.
#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QVariantList>

inline QList<QVariantList> ReadRows(QSqlQuery& query, QSqlError* error) {
  QList<QVariantList> rows;
  const int columns = query.record().count();
  while (query.next()) {
    QVariantList row;
    row.reserve(columns);
    for (int i = 0; i < columns; ++i) row.append(query.value(i));
    rows.append(std::move(row));
  }
  *error = query.lastError();
  query.finish();
  return rows;
}
