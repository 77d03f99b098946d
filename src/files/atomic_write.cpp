#include "atomic_write.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Failed(QString* error, const QString& what, const QString& path, int code) {
  if (error) *error = QStringLiteral("%1 \"%2\": %3").arg(what, path, qt_error_string(code));
  return false;
}

bool WriteAll(int fd, QByteArrayView data) {
  qsizetype done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, size_t(data.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) {
      errno = EIO;
      return false;
    }
    done += n;
  }
  return true;
}

}  // namespace

bool WriteFileAtomically(const QString& path, QByteArrayView data, QString* error) {
  // Replace what a link points to, not the link itself.
  QString target = path;
  const QFileInfo info(path);
  if (info.isSymLink() && info.exists()) target = info.canonicalFilePath();

  // Only a regular file is replaced: a rename over a device, a FIFO or a folder would put a plain
  // file where the system expects something else (think of /dev/null).
  struct stat existing {};
  if (::stat(QFile::encodeName(target).constData(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    if (error)
      *error = QStringLiteral("Cannot replace \"%1\": it is %2")
                   .arg(target, S_ISDIR(existing.st_mode) ? QStringLiteral("a directory")
                                                          : QStringLiteral("not a regular file"));
    return false;
  }

  const QFileInfo targetInfo(target);
  const QByteArray folder = QFile::encodeName(targetInfo.absolutePath());
  // A short name of its own: the target's name with more behind it could pass the name limit.
  QByteArray temporary = folder + "/.velt-XXXXXX";

  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return Failed(error, QStringLiteral("Cannot create a file beside"), target, errno);
  const auto abandon = [&](const QString& what) {
    const int code = errno;
    ::close(fd);
    ::unlink(temporary.constData());
    return Failed(error, what, target, code);
  };
  if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) return abandon(QStringLiteral("Cannot protect the new"));
  if (!WriteAll(fd, data)) return abandon(QStringLiteral("Cannot write"));
  if (::fsync(fd) != 0) return abandon(QStringLiteral("Cannot flush"));
  if (::close(fd) != 0) {
    const int code = errno;
    ::unlink(temporary.constData());
    return Failed(error, QStringLiteral("Cannot write"), target, code);
  }
  if (::rename(temporary.constData(), QFile::encodeName(target).constData()) != 0) {
    const int code = errno;
    ::unlink(temporary.constData());
    return Failed(error, QStringLiteral("Cannot replace"), target, code);
  }
  // Make the new name itself durable; the file is in place whether or not this works.
  const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  if (error) error->clear();
  return true;
}
