#include <asm/termbits.h>
#include <sys/ioctl.h>

int Termios2OutputSpeed(int fd) {
  struct termios2 t {};
  return ::ioctl(fd, TCGETS2, &t) == 0 ? int(t.c_ospeed) : -1;
}
