#include "version.h"

QString VeltVersion() { return QStringLiteral(VELT_VERSION); }

QString ProgramTitle() { return QStringLiteral("VELT Razave v ") + VeltVersion(); }

QString VersionText(const QString& program) {
  return program + u' ' + VeltVersion() +
         QStringLiteral("\n"
                        "Copyright (C) 2026 zespół velt\n"
                        "License GPL-3.0-or-later <https://www.gnu.org/licenses/gpl-3.0.html>.\n"
                        "This is free software: you are free to change and redistribute it.\n"
                        "There is NO WARRANTY, to the extent permitted by law.");
}
