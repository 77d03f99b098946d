#include "log_file.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "cli_error.h"
#include "native_name.h"
#include "system_error.h"

LogFile::LogFile(const QString& path) : path_(path) {
  const int fd = ::open(NameBytes(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0 && errno == ENXIO) Fail(QStringLiteral("nikt nie czyta z tej kolejki (FIFO)"));
  if (fd < 0) Fail(SystemErrorText(errno));
  // Only the open was to be refused rather than wait; the lines are written whole.
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  if (!file_.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle)) {
    ::close(fd);
    Fail(file_.errorString());
  }
}

void LogFile::WriteLine(const QString& line) {
  const QByteArray bytes = line.toUtf8() + '\n';
  if (file_.write(bytes) != bytes.size() || !file_.flush()) Fail(file_.errorString());
}

void LogFile::Fail(const QString& why) const {
  throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(path_, why));
}
