#include "known_net_ports.h"

#include <QRegularExpression>
#include <QSettings>

#include "net_address.h"

namespace {

constexpr char Group[] = "network_ports";

// A name never reads as a path, an option, a URL or --ports all.
QString NameProblem(const QString& name) {
  static const QRegularExpression allowed(QStringLiteral("^[A-Za-z0-9_][A-Za-z0-9_.-]{0,31}$"));
  if (!allowed.match(name).hasMatch())
    return QStringLiteral("Nieprawidłowa nazwa portu sieciowego „%1”: do 32 liter, cyfr i znaków _ . - "
                          "(bez polskich liter), zaczynając od litery, cyfry albo _").arg(name);
  if (name == u"all") return QStringLiteral("Nazwa „all” jest zarezerwowana dla --ports all");
  return {};
}

bool Saved(QSettings& settings, const QString& path, QString* error) {
  settings.sync();
  if (settings.status() == QSettings::NoError) return true;
  *error = QStringLiteral("Nie można zapisać pliku %1").arg(path);
  return false;
}

}  // namespace

QList<KnownNetPort> KnownNetPorts::List() const {
  QSettings settings(path_, QSettings::IniFormat);
  settings.beginGroup(QLatin1String(Group));
  QList<KnownNetPort> ports;
  QStringList names = settings.childKeys();
  names.sort(Qt::CaseInsensitive);
  for (const QString& name : names) {
    const QByteArray url = settings.value(name).toString().toUtf8();
    // A hand-edited line that makes no sense is left out, not offered to open.
    QString ignored;
    if (NameProblem(name).isEmpty() && NetAddressText::Parse(url, &ignored)) ports.append({name, url});
  }
  return ports;
}

std::optional<QByteArray> KnownNetPorts::Find(const QString& name) const {
  for (const KnownNetPort& port : List())
    if (port.name == name) return port.url;
  return std::nullopt;
}

bool KnownNetPorts::Add(const QString& name, const QByteArray& url, QString* error) const {
  if (const QString problem = NameProblem(name); !problem.isEmpty()) {
    *error = problem;
    return false;
  }
  const std::optional<NetAddress> address = NetAddressText::Parse(url.trimmed(), error);
  if (!address) return false;
  QSettings settings(path_, QSettings::IniFormat);
  settings.beginGroup(QLatin1String(Group));
  settings.setValue(name, QString::fromUtf8(address->Name()));
  return Saved(settings, path_, error);
}

bool KnownNetPorts::Remove(const QString& name, QString* error) const {
  QSettings settings(path_, QSettings::IniFormat);
  settings.beginGroup(QLatin1String(Group));
  if (!settings.contains(name)) {
    *error = QStringLiteral("Nie ma portu sieciowego o nazwie „%1” (velt-cli ports pokazuje znane porty)").arg(name);
    return false;
  }
  settings.remove(name);
  return Saved(settings, path_, error);
}
