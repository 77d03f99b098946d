#include "file_check.h"

#include <QFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "config_file.h"

namespace FileCheck {
namespace {

QString SystemReason(int error) { return qt_error_string(error); }

Result Fail(ReadFault fault, const QString& error, int code = 0) {
  Result result;
  result.fault = fault;
  result.error = error;
  result.systemError = code;
  return result;
}

// A fault with the system's reason, taken before anything can change errno.
Result SystemFail(ReadFault fault, const char* what, const QString& shown) {
  const int code = errno;
  return Fail(fault, QStringLiteral("%1 %2: %3").arg(QLatin1String(what), shown, SystemReason(code)), code);
}

QString KindOf(mode_t mode) {
  if (S_ISDIR(mode)) return QStringLiteral("a directory");
  if (S_ISFIFO(mode)) return QStringLiteral("a FIFO");
  if (S_ISCHR(mode) || S_ISBLK(mode)) return QStringLiteral("a device");
  if (S_ISSOCK(mode)) return QStringLiteral("a socket");
  return QStringLiteral("not a regular file");
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : Fd(fd) {}
  ~Descriptor() {
    if (Fd >= 0) ::close(Fd);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return Fd; }

 private:
  int Fd;
};

}  // namespace

Result Check(QByteArray bytes, QByteArrayView signature) {
  Result result;
  result.signatureOk = bytes.size() >= ConfigFileFormat::SignatureSize &&
                       QByteArrayView(bytes).first(ConfigFileFormat::SignatureSize) == signature;
  result.checksumOk = bytes.size() >= ConfigFileFormat::MinSize &&
                      XorChecksum(QByteArrayView(bytes).chopped(1)) == quint8(bytes.back());
  result.bytes = std::move(bytes);
  return result;
}

Result ReadAndCheck(const QString& path, QByteArrayView signature) {
  const QByteArray name = QFile::encodeName(path);
  const QString shown = QStringLiteral("\"%1\"").arg(path);

  // Look before opening, so that a device is never opened; look again at what was opened.
  struct stat info {};
  if (::stat(name.constData(), &info) != 0)
    return SystemFail(ReadFault::Open, "Cannot open", shown);
  if (!S_ISREG(info.st_mode))
    return Fail(ReadFault::NotRegular, QStringLiteral("Cannot read %1: it is %2").arg(shown, KindOf(info.st_mode)));

  int fd;
  do fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return SystemFail(ReadFault::Open, "Cannot open", shown);
  const Descriptor file(fd);
  if (::fstat(fd, &info) != 0)
    return SystemFail(ReadFault::Read, "Cannot read", shown);
  if (!S_ISREG(info.st_mode))
    return Fail(ReadFault::NotRegular, QStringLiteral("Cannot read %1: it is %2").arg(shown, KindOf(info.st_mode)));
  const auto tooLarge = [&] {
    return Fail(ReadFault::TooLarge, QStringLiteral("Cannot read %1: it is larger than %2 bytes")
                                         .arg(shown).arg(ConfigFileFormat::MaxSize));
  };
  if (info.st_size > ConfigFileFormat::MaxSize) return tooLarge();

  // Read to the end rather than trusting the size: the file may change under us. One byte of
  // room more than the limit tells a file that grew past it.
  QByteArray bytes(ConfigFileFormat::MaxSize + 1, Qt::Uninitialized);
  qsizetype got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::read(fd, bytes.data() + got, size_t(bytes.size() - got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0)
      return SystemFail(ReadFault::Read, "Cannot read", shown);
    if (n == 0) break;
    got += n;
  }
  if (got > ConfigFileFormat::MaxSize) return tooLarge();
  bytes.truncate(got);
  return Check(std::move(bytes), signature);
}

}  // namespace FileCheck
