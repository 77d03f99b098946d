#include "register_choice.h"

#include <QRegularExpression>
#include <QSettings>
#include <QUrl>
#include <QUrlQuery>

#include "technician.h"

namespace {

constexpr char Key[] = "register";
const QStringList SslModes{QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
                           QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};

// The address as a message may repeat it: a password in it (before the host, or as a parameter)
// never reaches a terminal or a log.
QString WithoutPassword(QString text) {
  static const QRegularExpression userPassword(QStringLiteral("(//[^/@:]*):[^/@]*@"));
  static const QRegularExpression parameter(QStringLiteral("([?&]password=)[^&]*"), QRegularExpression::CaseInsensitiveOption);
  text.replace(userPassword, QStringLiteral("\\1:***@"));
  text.replace(parameter, QStringLiteral("\\1***"));
  return text;
}

QString Bad(const QString& text, const QString& why) {
  return QStringLiteral("Nieprawidłowy adres rejestru wspólnego „%1”: %2 (postać: postgresql://UŻYTKOWNIK@SERWER[:PORT]/BAZA[?sslmode=…] albo local)")
      .arg(WithoutPassword(text), why);
}

}  // namespace

QString SharedTarget::Url() const {
  QUrl url;
  url.setScheme(QStringLiteral("postgresql"));
  url.setUserName(user);
  url.setHost(host);
  if (port != 5432) url.setPort(port);
  url.setPath(u'/' + database);
  if (!sslmode.isEmpty()) url.setQuery(QStringLiteral("sslmode=") + sslmode);
  return url.toString();
}

QString SharedTarget::Place() const { return QStringLiteral("%1:%2/%3").arg(host).arg(port).arg(database); }

namespace RegisterChoice {

std::optional<SharedTarget> Parse(const QString& text, QString* error) {
  const QUrl url(text.trimmed(), QUrl::StrictMode);
  const auto refuse = [&](const QString& why) {
    *error = Bad(text, why);
    return std::nullopt;
  };
  if (!url.isValid()) return refuse(url.errorString());
  if (url.scheme() != u"postgresql" && url.scheme() != u"postgres")
    return refuse(QStringLiteral("oczekiwano postgresql://"));
  // "USER:@HOST" too: a colon before the @ starts a password, even an empty one.
  const qsizetype at = text.indexOf(u'@');
  if (!url.password().isEmpty() || (at >= 0 && text.left(at).section(QStringLiteral("//"), 1).contains(u':')))
    return refuse(QStringLiteral("hasło nie jest zapisywane; podaj je w ~/.pgpass, w zmiennej PGPASSWORD albo w pliku usługi"));
  SharedTarget target;
  target.user = url.userName();
  target.host = url.host();
  if (target.host.isEmpty()) return refuse(QStringLiteral("brak serwera"));
  target.port = url.port(5432);
  if (target.port < 1) return refuse(QStringLiteral("nieprawidłowy port"));
  target.database = url.path().mid(1);
  if (target.database.isEmpty() || target.database.contains(u'/'))
    return refuse(QStringLiteral("brak nazwy bazy danych"));
  if (url.hasFragment()) return refuse(QStringLiteral("nieoczekiwany znak #"));
  for (const auto& [name, value] : QUrlQuery(url).queryItems(QUrl::FullyDecoded)) {
    if (name != u"sslmode") return refuse(QStringLiteral("nieznany parametr %1").arg(name));
    if (!SslModes.contains(value))
      return refuse(QStringLiteral("sslmode może być: %1").arg(SslModes.join(QStringLiteral(", "))));
    target.sslmode = value;
  }
  return target;
}

Choice Current() {
  QString text;
  QString source;
  if (qEnvironmentVariableIsSet(Variable)) {
    text = qEnvironmentVariable(Variable);
    source = QLatin1String(Variable);
  } else {
    text = QSettings(Technician::SettingsPath(), QSettings::IniFormat).value(QLatin1String(Key)).toString();
    source = Technician::SettingsPath();
  }
  if (text.trimmed().isEmpty() || text.trimmed() == QLatin1String(Local)) return {};
  QString error;
  if (std::optional<SharedTarget> target = Parse(text, &error)) return {std::move(target), {}};
  return {std::nullopt, QStringLiteral("%1 (%2); używany jest rejestr tego komputera").arg(error, source)};
}

bool Use(const QString& text, QString* error) {
  QSettings settings(Technician::SettingsPath(), QSettings::IniFormat);
  if (text.trimmed() == QLatin1String(Local)) {
    settings.remove(QLatin1String(Key));
  } else {
    const std::optional<SharedTarget> target = Parse(text, error);
    if (!target) return false;
    settings.setValue(QLatin1String(Key), target->Url());
  }
  settings.sync();
  if (settings.status() == QSettings::NoError) return true;
  *error = QStringLiteral("Nie można zapisać wyboru rejestru w %1").arg(settings.fileName());
  return false;
}

}  // namespace RegisterChoice
