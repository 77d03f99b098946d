#include "entry_export.h"

#include <QFile>

#include "atomic_write.h"
#include "configurations.h"

namespace {
constexpr int MostCopies = 9999;  // what a name's copy field holds

bool Holds(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.size() == bytes.size() && file.open(QIODevice::ReadOnly) && file.readAll() == bytes;
}
}  // namespace

std::optional<QString> ExportEntry(Configurations& configurations, const QString& uuid, const QString& folder,
                                   QString* error, bool* present) {
  *present = false;
  const std::optional<Configuration> entry = configurations.Get(uuid);
  const std::optional<QByteArray> bytes = configurations.Bytes(uuid);
  if (!entry || !bytes) {
    *error = QStringLiteral("Nie ma w rejestrze takiego wpisu");
    return std::nullopt;
  }
  for (int copy = 1; copy <= MostCopies; ++copy) {
    const QString name = EntryFileName(entry->label, copy);
    bool taken = false;
    if (CreateFileAtomically(folder + u'/' + name, *bytes, error, &taken)) return name;
    if (!taken) return std::nullopt;
    if (Holds(folder + u'/' + name, *bytes)) {
      *present = true;
      return name;
    }
  }
  return std::nullopt;
}
