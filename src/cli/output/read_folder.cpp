#include "read_folder.h"

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "atomic_write.h"
#include "cli_error.h"
#include "field_rules.h"
#include "file_name_part.h"
#include "native_name.h"
#include "system_error.h"

namespace {
constexpr int MostSuffixes = 1000;
}  // namespace

bool IsFolder(const QString& output) {
  struct stat info {};
  return !output.isEmpty() && output != u"-" && ::stat(NameBytes(output).constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

void CheckReadFolder(const QString& folder) {
  if (::access(NameBytes(folder).constData(), W_OK) != 0)
    throw CliError(ExitStatus::Error, QStringLiteral("%1: brak prawa zapisu w folderze").arg(folder));
}

QString SaveIntoFolder(const QString& folder, const QByteArray& port, const ConfigFile& file) {
  QString stem = FileNamePart(NameFromBytes(port.mid(port.lastIndexOf('/') + 1)));
  const QString phone = FieldRules::FormatItemValue(ConfigItems[ItemIndex::Phone1], file.record.value(ItemIndex::Phone1));
  if (!phone.isEmpty()) stem += u'_' + FileNamePart(phone, u"+");
  const QByteArray bytes = EncodeConfigFile(file);
  for (int n = 1; n <= MostSuffixes; ++n) {
    const QString path = InFolder(folder, n == 1 ? stem + QStringLiteral(".gcf") : QStringLiteral("%1_%2.gcf").arg(stem).arg(n));
    QString error;
    bool taken = false;
    if (CreateFileAtomically(path, bytes, &error, &taken)) return path;
    if (!taken) throw CliError(ExitStatus::Error, QStringLiteral("nie można zapisać pliku %1: %2").arg(path, SystemErrorText(errno)));
  }
  throw CliError(ExitStatus::Error, QStringLiteral("%1: zajęte wszystkie nazwy pliku").arg(InFolder(folder, stem)));
}
