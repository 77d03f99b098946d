#include "entry_export.h"

#include "atomic_write.h"
#include "configurations.h"

namespace {
constexpr int MostCopies = 9999;  // what a name's copy field holds
}  // namespace

std::optional<QString> ExportEntry(Configurations& configurations, const QString& uuid, const QString& folder,
                                   QString* error) {
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
  }
  return std::nullopt;
}
