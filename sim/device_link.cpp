#include "device_link.h"

#include "native_name.h"

#include <QScopeGuard>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr int MaxLockAttempts = 10;

QString SystemError(const QByteArray& what) {
  return QStringLiteral("%1: %2").arg(NameFromBytes(what), QString::fromLocal8Bit(strerror(errno)));
}

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The process id that the holder of a lock file wrote into it, or nothing.
QByteArray HolderOf(int fd) {
  char buffer[32];
  const ssize_t n = pread(fd, buffer, sizeof buffer - 1, 0);
  return n > 0 ? QByteArray(buffer, n).trimmed() : QByteArray();
}

}  // namespace

bool DeviceLink::Make(const QByteArray& link, const QByteArray& device, QString* error) {
  Remove();
  path = link;
  target = device;
  if (!Lock(error)) return false;
  struct stat st {};
  if (lstat(path.constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    *error = QStringLiteral("%1 exists and is not a symbolic link; it is not replaced").arg(NameFromBytes(link));
    Unlock();
    return false;
  }
  // A new link under another name renamed over the old one: the path never dangles.
  const QByteArray temporary = path + ".velt-sim." + QByteArray::number(getpid());
  unlink(temporary.constData());
  if (symlink(target.constData(), temporary.constData()) != 0) {
    *error = SystemError(temporary);
    Unlock();
    return false;
  }
  if (rename(temporary.constData(), path.constData()) != 0) {
    *error = SystemError(path);
    unlink(temporary.constData());
    Unlock();
    return false;
  }
  return true;
}

void DeviceLink::Remove() {
  if (lockFd < 0) return;
  // Someone may have pointed the link elsewhere meanwhile; that link is not ours to remove.
  char buffer[4096];
  const ssize_t n = readlink(path.constData(), buffer, sizeof buffer);
  if (n > 0 && QByteArray(buffer, n) == target) unlink(path.constData());
  Unlock();
}

// A lock file that is removed between our open and our flock is not the one the next simulator
// will see, so the lock counts only while the path still names the locked file.
bool DeviceLink::Lock(QString* error) {
  const QByteArray lockPath = path + ".lock";
  for (int attempt = 0; lockFd < 0; ++attempt) {
    if (attempt == MaxLockAttempts) {
      *error = QStringLiteral("%1 keeps being replaced; it cannot be locked").arg(NameFromBytes(lockPath));
      return false;
    }
    const int fd = open(lockPath.constData(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
      *error = SystemError(lockPath);
      return false;
    }
    auto closing = qScopeGuard([fd] { close(fd); });
    struct stat locked {}, named {};
    if (fstat(fd, &locked) != 0 || !S_ISREG(locked.st_mode)) {
      *error = QStringLiteral("%1 is not a regular file; it is left alone").arg(NameFromBytes(lockPath));
      return false;
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
      if (errno != EWOULDBLOCK) {
        *error = SystemError(lockPath);
        return false;
      }
      const QByteArray holder = HolderOf(fd);
      *error = QStringLiteral("%1 is in use by another simulator%2; it is not taken over")
                   .arg(NameFromBytes(path),
                        holder.isEmpty() ? QString() : QStringLiteral(" (process %1)").arg(QString::fromLatin1(holder)));
      return false;
    }
    if (stat(lockPath.constData(), &named) == 0 && SameFile(locked, named)) {
      closing.dismiss();
      lockFd = fd;
    }
  }
  const QByteArray pid = QByteArray::number(getpid()) + '\n';
  if (ftruncate(lockFd, 0) != 0 || pwrite(lockFd, pid.constData(), size_t(pid.size()), 0) != pid.size()) {
    *error = SystemError(lockPath);
    Unlock();
    return false;
  }
  return true;
}

// The file goes while it is still locked, so no other simulator can lock it in between.
void DeviceLink::Unlock() {
  if (lockFd < 0) return;
  unlink((path + ".lock").constData());
  close(lockFd);
  lockFd = -1;
}
