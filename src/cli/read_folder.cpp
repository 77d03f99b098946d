#include "read_folder.h"

#include <QDir>
#include <QFileInfo>
#include <cerrno>

#include "atomic_write.h"
#include "cli_error.h"
#include "field_rules.h"
#include "file_name_part.h"
#include "system_error.h"

namespace {
constexpr int MostSuffixes = 1000;
}

bool IsFolder(const QString& output) { return !output.isEmpty() && output != u"-" && QFileInfo(output).isDir(); }

void CheckReadFolder(const QString& folder) {
  if (!QFileInfo(folder).isWritable())
    throw CliError(ExitStatus::Error, QStringLiteral("%1: brak prawa zapisu w folderze").arg(folder));
}

QString SaveIntoFolder(const QString& folder, const QByteArray& port, const ConfigFile& file) {
  QString stem = FileNamePart(QFileInfo(QFile::decodeName(port)).fileName());
  const QString phone = FieldRules::FormatItemValue(ConfigItems[ItemIndex::Phone1], file.record.value(ItemIndex::Phone1));
  if (!phone.isEmpty()) stem += u'_' + FileNamePart(phone, u"+");
  const QByteArray bytes = EncodeConfigFile(file);
  for (int n = 1; n <= MostSuffixes; ++n) {
    const QString path = QDir(folder).filePath(n == 1 ? stem + QStringLiteral(".gcf") : QStringLiteral("%1_%2.gcf").arg(stem).arg(n));
    QString error;
    bool taken = false;
    if (CreateFileAtomically(path, bytes, &error, &taken)) return path;
    if (!taken) throw CliError(ExitStatus::Error, QStringLiteral("nie można zapisać pliku %1: %2").arg(path, SystemErrorText(errno)));
  }
  throw CliError(ExitStatus::Error, QStringLiteral("%1: zajęte wszystkie nazwy pliku").arg(QDir(folder).filePath(stem)));
}
