#include "register_fault.h"

#include <QSqlError>

namespace {
// The primary result codes of the database engine that tell the faults apart.
enum : int { Busy = 5, Locked = 6, Corrupt = 11, Full = 13, NotADatabase = 26 };
}  // namespace

RegisterFault RegisterFault::OfError(const QSqlError& error, const QString& path) {
  bool numeric = false;
  const int code = error.nativeErrorCode().toInt(&numeric) & 0xff;
  const QString detail = error.databaseText().isEmpty() ? error.text() : error.databaseText();
  if (numeric && (code == Busy || code == Locked))
    return {Kind::Busy, QStringLiteral("Rejestr instalacji %1 jest zajęty przez inny program zbyt długo").arg(path)};
  if (numeric && (code == Corrupt || code == NotADatabase)) return Damage(path, detail);
  if (numeric && code == Full)
    return {Kind::Unavailable, QStringLiteral("Rejestr instalacji %1: brak miejsca na dysku").arg(path)};
  return {Kind::Unavailable, QStringLiteral("Błąd rejestru instalacji %1: %2").arg(path, detail)};
}

RegisterFault RegisterFault::Damage(const QString& path, const QString& reason) {
  return {Kind::Damaged,
          QStringLiteral("Rejestr instalacji %1 jest uszkodzony (%2); plik pozostaje bez zmian").arg(path, reason)};
}
