#include "atomic_write.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

#include "native_name.h"
#include "system_error.h"

namespace {

bool Failed(QString* error, const QString& what, const QString& path, int code) {
  if (error) *error = QStringLiteral("%1 \"%2\": %3").arg(what, path, SystemErrorText(code));
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
    Failed(error, QStringLiteral("Nie można utworzyć pliku obok"), target, errno);
    return std::nullopt;
  }
  const auto abandon = [&](const QString& what) -> std::optional<QByteArray> {
    const int code = errno;
    ::close(fd);
    ::unlink(temporary.constData());
    Failed(error, what, target, code);
    return std::nullopt;
  };
  const QString cannotWrite = QStringLiteral("Nie można zapisać pliku");
  if (::fchmod(fd, S_IRUSR | S_IWUSR) != 0) return abandon(cannotWrite);
  if (!WriteAll(fd, data)) return abandon(cannotWrite);
  if (::fsync(fd) != 0) return abandon(cannotWrite);
  if (::close(fd) != 0) {
    const int code = errno;
    ::unlink(temporary.constData());
    Failed(error, cannotWrite, target, code);
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

bool WriteFileAtomically(const QString& path, QByteArrayView data, QString* error, LinkRule links) {
  QString target = path;
  QByteArray name = NameBytes(path);
  struct stat link {};
  char resolved[PATH_MAX];
  const bool isLink = ::lstat(name.constData(), &link) == 0 && S_ISLNK(link.st_mode);
  // Replace what a link points to, unless the link itself is to go (the file it pointed to then
  // stays as it is).
  const bool linkItself = isLink && links == LinkRule::ReplaceLink;
  if (isLink && !linkItself && ::realpath(name.constData(), resolved)) {
    name = resolved;
    target = NameFromBytes(name);
  }

  // Only a regular file is replaced: a rename over a device, a FIFO or a folder would put a plain
  // file where the system expects something else (think of /dev/null).
  struct stat existing {};
  if (!linkItself && ::stat(name.constData(), &existing) == 0 && !S_ISREG(existing.st_mode)) {
    if (error)
      *error = QStringLiteral("Nie można zastąpić \"%1\": %2")
                   .arg(target, S_ISDIR(existing.st_mode) ? QStringLiteral("to jest folder")
                                                          : QStringLiteral("to nie jest zwykły plik"));
    errno = S_ISDIR(existing.st_mode) ? EISDIR : EINVAL;
    return false;
  }

  const QByteArray folder = NameFolder(name);
  const std::optional<QByteArray> temporary = WriteBeside(target, folder, data, error);
  if (!temporary) return false;
  if (::rename(temporary->constData(), name.constData()) != 0) {
    const int code = errno;
    ::unlink(temporary->constData());
    return Failed(error, QStringLiteral("Nie można zastąpić pliku"), target, code);
  }
  return SyncFolder(folder, error);
}

bool CreateFileAtomically(const QString& path, QByteArrayView data, QString* error, bool* taken) {
  *taken = false;
  const QByteArray name = NameBytes(path);
  const QByteArray folder = NameFolder(name);
  const std::optional<QByteArray> temporary = WriteBeside(path, folder, data, error);
  if (!temporary) return false;
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
    return Failed(error, QStringLiteral("Nie można utworzyć pliku"), path, code);
  }
  return SyncFolder(folder, error);
}

bool IsStreamMode(unsigned mode) { return S_ISCHR(mode) || S_ISFIFO(mode); }

bool WriteFileOrStream(const QString& path, QByteArrayView data, QString* error) {
  const QByteArray name = NameBytes(path);
  struct stat info {};
  if (::stat(name.constData(), &info) != 0 || !IsStreamMode(info.st_mode)) return WriteFileAtomically(path, data, error);
  const int fd = ::open(name.constData(), O_WRONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return Failed(error, QStringLiteral("Nie można zapisać"), path, errno);
  // Replaced by a file meanwhile: never written into in place.
  if (::fstat(fd, &info) != 0 || !IsStreamMode(info.st_mode)) {
    ::close(fd);
    return WriteFileAtomically(path, data, error);
  }
  const int flags = ::fcntl(fd, F_GETFL);
  const bool written = flags >= 0 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 && WriteAll(fd, data);
  const int code = errno;
  if (::close(fd) != 0 && written) return Failed(error, QStringLiteral("Nie można zapisać"), path, errno);
  if (!written) return Failed(error, QStringLiteral("Nie można zapisać"), path, code);
  if (error) error->clear();
  return true;
}
