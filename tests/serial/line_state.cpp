#include "line_state.h"

#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>

int Termios2OutputSpeed(int fd);  // line_state_speed.cpp: termios2 cannot share this file

bool ReadLineState(int fd, LineState& s) {
  termios t{};
  if (::tcgetattr(fd, &t) != 0) return false;
  s.cflag = t.c_cflag;
  s.iflag = t.c_iflag;
  s.oflag = t.c_oflag;
  s.lflag = t.c_lflag;
  s.vmin = t.c_cc[VMIN];
  s.vtime = t.c_cc[VTIME];
  s.vstart = t.c_cc[VSTART];
  s.vstop = t.c_cc[VSTOP];
  s.speed = Termios2OutputSpeed(fd);
  s.nonBlocking = (::fcntl(fd, F_GETFL) & O_NONBLOCK) != 0;
  int excl = 0;
  s.exclusive = ::ioctl(fd, TIOCGEXCL, &excl) == 0 && excl != 0;
  return true;
}
