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

// The address as a message may repeat it: a password, however it is written, never reaches a
// terminal or a log. A password may hold any character, '@', '/', '#' and '?' included, so all
// from a colon after the "//" to the last '@' is masked; so is everything from the first
// parameter that is not sslmode, whatever its name's spelling, or from a '#'.
QString WithoutPassword(QString text) {
  const qsizetype slashes = text.indexOf(QStringLiteral("//"));
  const qsizetype at = text.lastIndexOf(u'@');
  const qsizetype colon = text.indexOf(u':', slashes < 0 ? 0 : slashes + 2);
  if (colon >= 0 && colon < at) text.replace(colon + 1, at - colon - 1, QStringLiteral("***"));
  static const QRegularExpression tailStart(QStringLiteral("[?#]"));
  const qsizetype tail = text.indexOf(tailStart, std::max(text.lastIndexOf(u'@'), slashes + 1) + 1);
  if (tail < 0) return text;
  if (text[tail] == u'#') return text.left(tail) + QStringLiteral("#***");
  // The sslmode parameters leading the query are kept; from any other on, all is masked.
  QStringList kept;
  const QStringList parameters = text.mid(tail + 1).split(u'&');
  for (const QString& parameter : parameters) {
    const QString name = QUrl::fromPercentEncoding(parameter.section(u'=', 0, 0).toUtf8()).trimmed();
    if (name != u"sslmode" || parameter.contains(u'#')) {
      kept << QStringLiteral("***");
      break;
    }
    kept << parameter;
  }
  return text.left(tail + 1) + kept.join(u'&');
}

// What may be shown of an address that does not parse: its scheme and user name, nothing after.
QString Beginning(const QString& text) {
  const qsizetype slashes = text.indexOf(QStringLiteral("//"));
  if (slashes < 0) return QStringLiteral("…");
  const QString rest = text.mid(slashes + 2);
  static const QRegularExpression userEnd(QStringLiteral("[:@]")), notUser(QStringLiteral("[/?#\\s]"));
  const qsizetype end = rest.indexOf(userEnd);
  const bool hasUser = end >= 0 && rest.indexOf(u'@', end) >= 0 && !rest.left(end).contains(notUser);
  return text.left(slashes + 2) + (hasUser ? rest.left(end) + u'@' : QString()) + u'…';
}

QString Bad(const QString& shown, const QString& why) {
  return QStringLiteral("Nieprawidłowy adres rejestru wspólnego „%1”: %2 (postać: postgresql://UŻYTKOWNIK@SERWER[:PORT]/BAZA[?sslmode=…] albo local)")
      .arg(shown, why);
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

QString SharedTarget::TlsMode() const {
  if (!sslmode.isEmpty()) return sslmode;
  static const QRegularExpression loopback(QStringLiteral("^(127(\\.\\d{1,3}){3}|::1|localhost\\.?)$"),
                                           QRegularExpression::CaseInsensitiveOption);
  // A host that starts with a slash is the folder of the server's Unix socket.
  if (host.startsWith(u'/') || loopback.match(host).hasMatch()) return {};
  return QStringLiteral("require");
}

namespace RegisterChoice {

std::optional<SharedTarget> Parse(const QString& text, QString* error) {
  const QUrl url(text.trimmed(), QUrl::StrictMode);
  const auto refuse = [&](const QString& why) {
    *error = Bad(WithoutPassword(text), why);
    return std::nullopt;
  };
  // The parser's own text repeats the address whole.
  if (!url.isValid()) {
    *error = Bad(Beginning(text), QStringLiteral("to nie jest poprawny adres (znaki spoza adresu zapisuje się jako %XX)"));
    return std::nullopt;
  }
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
    // Not named: what follows a '?' may be a password.
    if (name != u"sslmode") return refuse(QStringLiteral("nieznany parametr (przyjmowany jest tylko sslmode)"));
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
