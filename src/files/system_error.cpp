#include "system_error.h"

#include <cerrno>

QString SystemErrorText(int code) {
  switch (code) {
    case ENOSPC: return QStringLiteral("brak miejsca na dysku");
    case EDQUOT: return QStringLiteral("przekroczony przydział miejsca na dysku");
    case EACCES:
    case EPERM: return QStringLiteral("brak uprawnień");
    case EROFS: return QStringLiteral("system plików tylko do odczytu");
    case ENOENT: return QStringLiteral("nie ma takiego pliku ani folderu");
    case ENOTDIR: return QStringLiteral("część ścieżki nie jest folderem");
    case EISDIR: return QStringLiteral("to jest folder");
    case ENAMETOOLONG: return QStringLiteral("za długa nazwa");
    case EEXIST: return QStringLiteral("plik już istnieje");
    case EPIPE: return QStringLiteral("odbiorca zamknął potok");
    case EBADF: return QStringLiteral("wyjście jest zamknięte");
    case EIO: return QStringLiteral("błąd wejścia-wyjścia");
    case EFBIG: return QStringLiteral("plik za duży");
    default: return QStringLiteral("błąd systemu %1 (%2)").arg(code).arg(qt_error_string(code));
  }
}
