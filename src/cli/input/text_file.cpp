#include "text_file.h"

#include <QFile>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli_error.h"
#include "native_name.h"
#include "system_error.h"

QByteArray ReadTextFile(const QString& path) {
  const auto fail = [&path](const QString& why) { throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(path, why)); };
  const QByteArray name = NameBytes(path);
  const auto cannotOpen = [&] { fail(QStringLiteral("nie można otworzyć pliku: %1").arg(SystemErrorText(errno))); };
  struct stat info {};
  if (::stat(name.constData(), &info) != 0) {
    if (errno == ENOENT) fail(QStringLiteral("nie ma takiego pliku"));
    cannotOpen();
  }
  if (!S_ISREG(info.st_mode)) fail(QStringLiteral("to nie jest zwykły plik"));
  if (info.st_size > MaxTextFileSize) fail(QStringLiteral("plik jest większy niż %1 bajtów").arg(MaxTextFileSize));
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) cannotOpen();
  QFile file;
  if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    cannotOpen();
  }
  const QByteArray data = file.read(MaxTextFileSize + 1);
  if (file.error() != QFileDevice::NoError) fail(QStringLiteral("nie można odczytać pliku: %1").arg(SystemErrorText(errno)));
  if (data.size() > MaxTextFileSize) fail(QStringLiteral("plik jest większy niż %1 bajtów").arg(MaxTextFileSize));
  return data;
}
