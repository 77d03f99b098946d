#include "atomic_write.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <optional>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool Failed(QString* error, const QString& what, const QString& path, int code) {
  if (error) *error = QStringLiteral("%1 \"%2\": %3").arg(what, path, qt_error_string(code));
  errno = code;
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

// The data in a new file beside the target (mode 0600, flushed); its path, or nothing with
// *error set.
std::optional<QByteArray> WriteBeside(const QString& target, const QByteArray& folder, QByteArrayView data, QString* error) {
  // A short name of its own: the target's name with more behind it could pass the name limit.
  QByteArray temporary = folder + "/.velt-XXXXXX";
  const int fd = ::mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) {
    Failed(error, QStringLiteral("Cannot create a file beside"), target, errno);
    return std::nullopt;
  }
  const auto abandon = [&](const QString& what) -> std::optional<QByteArray> {
    const int code = errno;
    ::close(fd);
    ::unlink(temporary.constData());
    Failed(error, what, target, code);
    return std::nullopt;
  };
  if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) return abandon(QStringLiteral("Cannot protect the new"));
  if (!WriteAll(fd, data)) return abandon(QStringLiteral("Cannot write"));
  if (::fsync(fd) != 0) return abandon(QStringLiteral("Cannot flush"));
  if (::close(fd) != 0) {
    const int code = errno;
    ::unlink(temporary.constData());
    Failed(error, QStringLiteral("Cannot write"), target, code);
    return std::nullopt;
  }
  return temporary;
}

// Makes the new name itself durable; the file is in place whether or not this works.
bool SyncFolder(const QByteArray& folder, QString* error) {
  const int dir = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
  if (error) error->clear();
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
    errno = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
    return false;
  }

  const QByteArray folder = QFile::encodeName(QFileInfo(target).absolutePath());
  const std::optional<QByteArray> temporary = WriteBeside(target, folder, data, error);
  if (!temporary) return false;
  if (::rename(temporary->constData(), QFile::encodeName(target).constData()) != 0) {
    const int code = errno;
    ::unlink(temporary->constData());
    return Failed(error, QStringLiteral("Cannot replace"), target, code);
  }
  return SyncFolder(folder, error);
}

bool CreateFileAtomically(const QString& path, QByteArrayView data, QString* error, bool* taken) {
  *taken = false;
  const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
  const std::optional<QByteArray> temporary = WriteBeside(path, folder, data, error);
  if (!temporary) return false;
  const QByteArray name = QFile::encodeName(path);
  int moved = ::renameat2(AT_FDCWD, temporary->constData(), AT_FDCWD, name.constData(), RENAME_NOREPLACE);
  // A file system without the no-replace rename (some removable media) gets a look first.
  if (moved != 0 && (errno == EINVAL || errno == ENOSYS || errno == ENOTSUP || errno == EPERM)) {
    struct stat existing {};
    moved = ::lstat(name.constData(), &existing) == 0 ? (errno = EEXIST, -1)
                                                      : ::rename(temporary->constData(), name.constData());
  }
  if (moved != 0) {
    const int code = errno;
    ::unlink(temporary->constData());
    *taken = code == EEXIST;
    return Failed(error, QStringLiteral("Cannot create"), path, code);
  }
  return SyncFolder(folder, error);
}
