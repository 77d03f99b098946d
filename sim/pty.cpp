#include "pty.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString Failed(const char* what) { return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(strerror(errno))); }

}  // namespace

bool Pty::Open(QString* error) {
  Close();
  master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (master < 0) {
    *error = Failed("posix_openpt");
    return false;
  }
  char name[128];
  if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
    *error = Failed("preparing the pseudo-terminal");
    Close();
    return false;
  }
  slavePath = QString::fromLocal8Bit(name);
  slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios tio{};
  if (slave < 0 || tcgetattr(slave, &tio) != 0) {
    *error = Failed("opening the pseudo-terminal's slave side");
    Close();
    return false;
  }
  // Raw, above all without echo: an echo would hand the controller its own replies as requests.
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  tio.c_cc[VMIN] = 1;
  tio.c_cc[VTIME] = 0;
  if (tcsetattr(slave, TCSANOW, &tio) != 0) {
    *error = Failed("setting raw mode");
    Close();
    return false;
  }
  return true;
}

void Pty::Close() {
  if (slave >= 0) ::close(slave);
  if (master >= 0) ::close(master);
  slave = master = -1;
}
