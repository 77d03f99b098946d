#include "file_check.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "config_file.h"
#include "native_name.h"
#include "polish_plural.h"
#include "system_error.h"

namespace FileCheck {
namespace {

Result Fail(ReadFault fault, const QString& error, int code = 0) {
  Result result;
  result.fault = fault;
  result.error = error;
  result.systemError = code;
  return result;
}

// A fault with the system's reason, taken before anything can change errno.
Result SystemFail(ReadFault fault, const QString& shown) {
  const int code = errno;
  const QString what = fault == ReadFault::Open ? QStringLiteral("otworzyć") : QStringLiteral("odczytać");
  return Fail(fault, QStringLiteral("Nie można %1 pliku %2: %3").arg(what, shown, SystemErrorText(code)), code);
}

Result NotRegular(const QString& shown, mode_t mode) {
  QString kind = QStringLiteral("to nie jest zwykły plik");
  if (S_ISDIR(mode)) kind = QStringLiteral("to jest folder");
  if (S_ISFIFO(mode)) kind = QStringLiteral("to jest kolejka FIFO");
  if (S_ISCHR(mode) || S_ISBLK(mode)) kind = QStringLiteral("to jest urządzenie");
  if (S_ISSOCK(mode)) kind = QStringLiteral("to jest gniazdo");
  return Fail(ReadFault::NotRegular, QStringLiteral("Nie można odczytać %1: %2").arg(shown, kind));
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
  const QByteArray name = NameBytes(path);
  const QString shown = QStringLiteral("\"%1\"").arg(path);

  // Look before opening, so that a device is never opened; look again at what was opened.
  struct stat info {};
  if (::stat(name.constData(), &info) != 0)
    return SystemFail(ReadFault::Open, shown);
  if (!S_ISREG(info.st_mode)) return NotRegular(shown, info.st_mode);

  int fd;
  do fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return SystemFail(ReadFault::Open, shown);
  const Descriptor file(fd);
  if (::fstat(fd, &info) != 0)
    return SystemFail(ReadFault::Read, shown);
  if (!S_ISREG(info.st_mode)) return NotRegular(shown, info.st_mode);
  const auto tooLarge = [&] {
    return Fail(ReadFault::TooLarge, QStringLiteral("Nie można odczytać pliku %1: ma więcej niż %2")
                                         .arg(shown, Counted(ConfigFileFormat::MaxSize, "bajt", "bajty", "bajtów")));
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
      return SystemFail(ReadFault::Read, shown);
    if (n == 0) break;
    got += n;
  }
  if (got > ConfigFileFormat::MaxSize) return tooLarge();
  bytes.truncate(got);
  return Check(std::move(bytes), signature);
}

}  // namespace FileCheck
