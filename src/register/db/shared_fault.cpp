#include "shared_fault.h"

#include <QSqlError>

namespace {

// The client library reports a failed connection by text only, the server's refusals also by
// their SQLSTATE.
bool Says(const QString& text, std::initializer_list<const char*> parts) {
  for (const char* part : parts)
    if (text.contains(QLatin1String(part), Qt::CaseInsensitive)) return true;
  return false;
}

}  // namespace

namespace SharedFault {

RegisterFault Of(const QSqlError& error, const SharedTarget& target) {
  const QString state = error.nativeErrorCode();
  const QString detail = (error.databaseText().isEmpty() ? error.text() : error.databaseText()).trimmed();
  const QString where = target.Url();
  if (state == u"28P01" || state == u"28000"
      || Says(detail, {"password authentication failed", "no password supplied", "authentication failed"}))
    return {RegisterFault::Kind::Refused,
            QStringLiteral("Rejestr wspólny %1 nie przyjął hasła użytkownika %2 (hasło: ~/.pgpass, PGPASSWORD albo plik usługi)")
                .arg(where, target.user)};
  if (state == u"42501" || Says(detail, {"permission denied"}))
    return {RegisterFault::Kind::Refused,
            QStringLiteral("Brak uprawnień w rejestrze wspólnym %1: %2").arg(where, detail)};
  if (Says(detail, {"server does not support SSL"}))
    return {RegisterFault::Kind::Unavailable,
            QStringLiteral("Rejestr wspólny %1 nie szyfruje połączeń, a velt tego wymaga (sslmode=%2)")
                .arg(where, target.TlsMode())};
  if (state == u"3D000")
    return {RegisterFault::Kind::Unavailable,
            QStringLiteral("Na serwerze nie ma bazy rejestru wspólnego %1").arg(where)};
  if (state.startsWith(u"08") || state.startsWith(u"57P")
      || Says(detail, {"could not connect", "connection refused", "timeout expired", "could not translate host name",
                       "network is unreachable", "no route to host", "server closed the connection",
                       "no connection to the server", "connection to server", "terminating connection",
                       "could not receive data", "could not send data", "the database system is"}))
    return {RegisterFault::Kind::Unavailable,
            QStringLiteral("Rejestr wspólny %1 nie odpowiada (serwer nieosiągalny)").arg(where)};
  return {RegisterFault::Kind::Unavailable, QStringLiteral("Błąd rejestru wspólnego %1: %2").arg(where, detail)};
}

}  // namespace SharedFault
