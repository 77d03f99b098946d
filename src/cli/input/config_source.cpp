#include "config_source.h"

#include <QStringList>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "atomic_write.h"
#include "cli_error.h"
#include "file_check.h"
#include "native_name.h"
#include "system_error.h"

namespace {
QString ReadFaultText(const FileCheck::Result& read) {
  switch (read.fault) {
    case FileCheck::ReadFault::Open: return QStringLiteral("nie można otworzyć pliku: %1").arg(SystemErrorText(read.systemError));
    case FileCheck::ReadFault::NotRegular: return QStringLiteral("to nie jest zwykły plik");
    case FileCheck::ReadFault::TooLarge: return QStringLiteral("plik jest za duży, to nie jest plik sterownika");
    default: return QStringLiteral("nie można odczytać pliku: %1").arg(SystemErrorText(read.systemError));
  }
}
}  // namespace

QByteArray ReadCheckedFile(const QString& path, const char* signature) {
  const FileCheck::Result read = FileCheck::ReadAndCheck(path, signature);
  if (!read.readOk()) throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(path, ReadFaultText(read)));
  QStringList faults;
  if (!read.signatureOk) faults.append(FileCheck::BadFormatText.toString());
  // The window's text names a configuration file; a firmware image is told as what it is.
  const bool firmware = qstrcmp(signature, ConfigFileFormat::FirmwareSignature) == 0;
  if (!read.checksumOk)
    faults.append(firmware ? QStringLiteral("błędna suma kontrolna pliku firmware") : FileCheck::BadChecksumText.toString());
  if (!faults.isEmpty()) throw CliError(ExitStatus::Error, path + QStringLiteral(": ") + faults.join(QStringLiteral("; ")));
  return read.bytes;
}

ConfigFile LoadConfigFile(const QString& path) {
  const QByteArray bytes = ReadCheckedFile(path, ConfigFileFormat::ConfigSignature);
  QString reason;
  const std::optional<ConfigFile> file = DecodeConfigFile(bytes, &reason);
  if (!file) throw CliError(ExitStatus::Error, QStringLiteral("%1: %2 (%3)").arg(path, FileCheck::BadFormatText, reason));
  return *file;
}

void CheckCanSave(const QString& path, bool force, ExistingFile existing) {
  const QByteArray name = NameBytes(path);
  const QByteArray folder = NameFolder(name);
  const auto fail = [&path](const QString& why) { throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(path, why)); };
  struct stat info {};
  // A device or a FIFO is written into, not replaced: its folder does not matter.
  if (::stat(name.constData(), &info) == 0 && IsStreamMode(info.st_mode)) {
    if (::access(name.constData(), W_OK) != 0) fail(SystemErrorText(errno));
    return;
  }
  if (::stat(folder.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
    fail(QStringLiteral("nie ma folderu %1").arg(NameFromBytes(folder)));
  if (::access(folder.constData(), W_OK) != 0) fail(QStringLiteral("brak prawa zapisu w folderze %1").arg(NameFromBytes(folder)));
  if (::stat(name.constData(), &info) != 0) return;
  if (!S_ISREG(info.st_mode)) fail(QStringLiteral("to nie jest zwykły plik"));
  if (force) return;
  if (existing == ExistingFile::Kept) fail(QStringLiteral("plik już istnieje; --force go zastąpi"));
  if (!(info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH))) fail(QStringLiteral("plik jest tylko do odczytu; --force go zastąpi"));
}

void SaveConfigFile(const QString& path, const ConfigFile& file) { SaveOutputFile(path, EncodeConfigFile(file)); }

void SaveOutputFile(const QString& path, QByteArrayView bytes) {
  QString error;
  if (!WriteFileOrStream(path, bytes, &error)) {
    const QString why = errno == ENXIO ? QStringLiteral("nikt nie czyta z tej kolejki (FIFO)") : SystemErrorText(errno);
    throw CliError(ExitStatus::Error, QStringLiteral("nie można zapisać pliku %1: %2").arg(path, why));
  }
}
