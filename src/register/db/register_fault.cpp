#include "register_fault.h"

#include <QFileInfo>
#include <QSqlError>

#include <sys/resource.h>

namespace {

// The primary result codes of the database engine that tell the faults apart.
enum : int {
  Perm = 3, Busy = 5, Locked = 6, NoMemory = 7, ReadOnly = 8, IoError = 10, Corrupt = 11, Full = 13, CantOpen = 14,
  NotADatabase = 26
};

// The largest page the engine writes at once: a file this close to the file-size limit cannot grow.
constexpr qint64 LargestPage = 65536;

// The register's file or log that the file-size limit (ulimit -f) keeps from growing; empty when
// there is no limit or none is near it.
QString AtSizeLimit(const QString& path) {
  rlimit limit{};
  if (::getrlimit(RLIMIT_FSIZE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return {};
  for (const QString& file : {path + QStringLiteral("-wal"), path, path + QStringLiteral("-journal")}) {
    const QFileInfo info(file);
    if (info.exists() && info.size() + LargestPage > qint64(limit.rlim_cur)) return file;
  }
  return {};
}

// The engine's primary result code; -1 for a fault of the driver, which has none.
int CodeOf(const QSqlError& error) {
  bool numeric = false;
  const int code = error.nativeErrorCode().toInt(&numeric);
  return numeric ? code & 0xff : -1;
}

}  // namespace

RegisterFault RegisterFault::OfError(const QSqlError& error, const QString& path) {
  const int code = CodeOf(error);
  if (code == Busy || code == Locked)
    return {Kind::Busy, QStringLiteral("Rejestr instalacji %1 jest zajęty przez inny program zbyt długo").arg(path)};
  if (code == Corrupt || code == NotADatabase) return Damage(path, Meaning(error));
  if (code == IoError || code == Full)
    if (const QString file = AtSizeLimit(path); !file.isEmpty())
      return {Kind::Unavailable,
              QStringLiteral("Rejestr instalacji: plik za duży, %1 nie może urosnąć (ograniczenie rozmiaru plików)").arg(file)};
  if (code == Full) return {Kind::Unavailable, QStringLiteral("Rejestr instalacji %1: brak miejsca na dysku").arg(path)};
  return {Kind::Unavailable, QStringLiteral("Błąd rejestru instalacji %1: %2").arg(path, Meaning(error))};
}

QString RegisterFault::Meaning(const QSqlError& error) {
  switch (CodeOf(error)) {
    case Perm:
    case ReadOnly:
      return QStringLiteral("brak uprawnień do zapisu");
    case NoMemory:
      return QStringLiteral("brak pamięci");
    case IoError:
      return QStringLiteral("błąd odczytu lub zapisu pliku");
    case CantOpen:
      return QStringLiteral("nie można otworzyć pliku");
    case Corrupt:
      return QStringLiteral("struktura bazy danych jest zniekształcona");
    case NotADatabase:
      return QStringLiteral("plik nie jest bazą danych");
    case -1:
      return QStringLiteral("błąd sterownika bazy danych");
    default:
      return QStringLiteral("błąd bazy danych SQLite nr %1").arg(CodeOf(error));
  }
}

RegisterFault RegisterFault::Damage(const QString& path, const QString& reason) {
  return {Kind::Damaged,
          QStringLiteral("Rejestr instalacji %1 jest uszkodzony (%2); plik pozostaje bez zmian").arg(path, reason)};
}
