#include "text_file.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>

#include "cli_error.h"
#include "system_error.h"

QByteArray ReadTextFile(const QString& path) {
  const auto fail = [&path](const QString& why) { throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(path, why)); };
  const QFileInfo info(path);
  if (!info.exists()) fail(QStringLiteral("nie ma takiego pliku"));
  if (!info.isFile()) fail(QStringLiteral("to nie jest zwykły plik"));
  if (info.size() > MaxTextFileSize) fail(QStringLiteral("plik jest większy niż %1 bajtów").arg(MaxTextFileSize));
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) fail(QStringLiteral("nie można otworzyć pliku: %1").arg(SystemErrorText(errno)));
  const QByteArray data = file.read(MaxTextFileSize + 1);
  if (file.error() != QFileDevice::NoError) fail(QStringLiteral("nie można odczytać pliku: %1").arg(SystemErrorText(errno)));
  if (data.size() > MaxTextFileSize) fail(QStringLiteral("plik jest większy niż %1 bajtów").arg(MaxTextFileSize));
  return data;
}
