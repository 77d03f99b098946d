#include "termios_line.h"

// termios2 and its ioctls; <termios.h> cannot be included beside these.
#include <asm/termbits.h>
#include <cerrno>
#include <cstring>
#include <linux/serial.h>
#include <poll.h>
#include <sys/ioctl.h>

namespace TermiosLine {
namespace {

struct StandardSpeed {
  int rate;
  tcflag_t code;
};
constexpr StandardSpeed StandardSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},
    {150, B150},       {200, B200},       {300, B300},       {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

// Listed rates keep their B-code so that older interfaces read them back; others use BOTHER.
tcflag_t SpeedCode(int rate) {
  for (const StandardSpeed& s : StandardSpeeds) {
    if (s.rate == rate) return s.code;
  }
  return BOTHER;
}

int Ioctl(int fd, unsigned long request, void* arg) {
  return ::ioctl(fd, request, arg) == 0 ? 0 : errno;
}

}  // namespace

bool NotSupported(int error) { return error == ENOTTY || error == EINVAL; }

bool HungUp(int fd) {
  pollfd p{fd, POLLIN, 0};
  return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL));
}

void Translate(const Settings& s, unsigned& cflag, unsigned& iflag) {
  iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY |
             IGNPAR | INPCK | IUCLC | IMAXBEL);
  if (s.parityCheck) iflag |= INPCK;
  if (s.xonXoffOut) iflag |= IXON;
  if (s.xonXoffIn) iflag |= IXOFF;

  cflag &= ~(CBAUD | CIBAUD | CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
  cflag |= CLOCAL | CREAD | SpeedCode(s.speed);
  switch (s.dataBits) {
    case 5: cflag |= CS5; break;
    case 6: cflag |= CS6; break;
    case 7: cflag |= CS7; break;
    default: cflag |= CS8; break;
  }
  switch (s.parity) {
    case prNone: break;
    case prOdd: cflag |= PARENB | PARODD; break;
    case prEven: cflag |= PARENB; break;
    case prMark: cflag |= PARENB | CMSPAR | PARODD; break;
    case prSpace: cflag |= PARENB | CMSPAR; break;
  }
  if (s.twoStopBits) cflag |= CSTOPB;
  if (s.rtsCts) cflag |= CRTSCTS;
}

int Apply(int fd, const Settings& s) {
  struct termios2 t {};
  if (int err = Ioctl(fd, TCGETS2, &t)) return err;

  unsigned cflag = t.c_cflag;
  unsigned iflag = t.c_iflag;
  Translate(s, cflag, iflag);
  t.c_cflag = cflag;
  t.c_iflag = iflag;
  t.c_ispeed = t.c_ospeed = static_cast<speed_t>(s.speed);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHOE | ECHOK | ECHONL | ICANON | ISIG | IEXTEN | NOFLSH | TOSTOP);
  t.c_cc[VSTART] = static_cast<cc_t>(s.xonChar);
  t.c_cc[VSTOP] = static_cast<cc_t>(s.xoffChar);
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (int err = Ioctl(fd, TCSETS2, &t)) return err;

  if (int err = SetModemLine(fd, TIOCM_DTR, s.dtr)) return err;
  return SetModemLine(fd, TIOCM_RTS, s.rts);
}

int Save(int fd, QByteArray& state) {
  struct termios2 t {};
  const int err = Ioctl(fd, TCGETS2, &t);
  state = err ? QByteArray() : QByteArray(reinterpret_cast<const char*>(&t), sizeof t);
  return err;
}

int Restore(int fd, const QByteArray& state) {
  struct termios2 t {};
  if (state.size() != sizeof t) return EINVAL;
  std::memcpy(&t, state.constData(), sizeof t);
  return Ioctl(fd, TCSETS2, &t);
}

int SetModemLine(int fd, int line, bool on) {
  const int err = Ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line);
  return NotSupported(err) ? 0 : err;
}

int ReadModemLines(int fd, int& lines) {
  lines = 0;
  const int err = Ioctl(fd, TIOCMGET, &lines);
  if (NotSupported(err)) {
    lines = 0;
    return 0;
  }
  return err;
}

int InputCount(int fd, int& count) {
  count = 0;
  return Ioctl(fd, TIOCINQ, &count);
}

int OutputCount(int fd, int& count) {
  count = 0;
  return Ioctl(fd, TIOCOUTQ, &count);
}

int ReadCounters(int fd, Counters& counters) {
  struct serial_icounter_struct ic {};
  const int err = Ioctl(fd, TIOCGICOUNT, &ic);
  if (err) return err;
  counters.frame = ic.frame;
  counters.overrun = ic.overrun;
  counters.parity = ic.parity;
  counters.brk = ic.brk;
  counters.bufOverrun = ic.buf_overrun;
  return 0;
}

}  // namespace TermiosLine
