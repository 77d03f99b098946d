#include "technician.h"

#include <QDir>
#include <QSettings>

#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr char Key[] = "technician";

// The full name of the passwd entry (the first comma-separated field of its comment), else the
// login name; empty when the user has no entry.
QString SystemName() {
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? size_t(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) != 0 || !found) return {};
  const QString fullName = QString::fromUtf8(found->pw_gecos ? found->pw_gecos : "").section(u',', 0, 0).trimmed();
  return fullName.isEmpty() ? QString::fromUtf8(found->pw_name) : fullName;
}

}  // namespace

namespace Technician {

QString SettingsPath() {
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty() || !QDir::isAbsolutePath(config)) config = QDir::homePath() + QStringLiteral("/.config");
  return QDir::cleanPath(config + QStringLiteral("/velt/velt.conf"));
}

QString Name() {
  const QString set = QSettings(SettingsPath(), QSettings::IniFormat).value(QLatin1String(Key)).toString().trimmed();
  return set.isEmpty() ? SystemName() : set;
}

void SetName(const QString& name) {
  QSettings settings(SettingsPath(), QSettings::IniFormat);
  if (name.trimmed().isEmpty())
    settings.remove(QLatin1String(Key));
  else
    settings.setValue(QLatin1String(Key), name.trimmed());
}

}  // namespace Technician
