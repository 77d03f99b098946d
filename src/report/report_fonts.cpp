#include "report_fonts.h"

#include <QFontDatabase>
#include <QGuiApplication>

namespace ReportFonts {
namespace {

struct Loaded {
  QString family;
  QString error;
};

Loaded Load() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
    return {QString(), QStringLiteral("Raport wymaga modułu graficznego Qt (QGuiApplication).")};
  QString family;
  for (const char* path : {RegularPath, BoldPath}) {
    const int id = QFontDatabase::addApplicationFont(QString::fromUtf8(path));
    if (id < 0)
      return {QString(), QStringLiteral("Brak czcionki %1 (pakiet fonts-dejavu-core): raportu nie da się utworzyć.")
                             .arg(QString::fromUtf8(path))};
    if (family.isEmpty()) family = QFontDatabase::applicationFontFamilies(id).value(0);
  }
  return {family, QString()};
}

}  // namespace

std::optional<QString> Family(QString* error) {
  static const Loaded loaded = Load();
  if (loaded.family.isEmpty()) {
    if (error) *error = loaded.error;
    return std::nullopt;
  }
  return loaded.family;
}

}  // namespace ReportFonts
