#pragma once
// Who keeps a configuration or changes an installation: the name set once in velt's settings,
// else the full name the system gives the user, else the login name.
#include <QString>

namespace Technician {

// $XDG_CONFIG_HOME/velt/velt.conf, or under ~/.config when that is unset or relative.
QString SettingsPath();

QString Name();
// An empty name removes the setting, so that the system's name counts again.
void SetName(const QString& name);

}  // namespace Technician
