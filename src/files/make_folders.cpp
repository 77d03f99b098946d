#include "make_folders.h"

#include <cerrno>
#include <sys/stat.h>

int MakeFolders(const QByteArray& path, mode_t mode) {
  for (qsizetype slash = path.indexOf('/', 1);; slash = path.indexOf('/', slash + 1)) {
    const QByteArray part = slash == -1 ? path : path.left(slash);
    if (!part.isEmpty() && ::mkdir(part.constData(), mode) != 0) {
      if (errno != EEXIST) return errno;
      struct stat info {};
      if (::stat(part.constData(), &info) != 0) return errno;
      if (!S_ISDIR(info.st_mode)) return ENOTDIR;
    }
    if (slash == -1) return 0;
  }
}
