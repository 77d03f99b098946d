#include "standard_streams.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace StandardStreams {
namespace {
bool outputClosed = false;
}  // namespace

void Occupy() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    if (fd == STDOUT_FILENO) outputClosed = true;
    // The lowest free number is fd itself, the ones below being taken by now. Inherited on
    // purpose: a child gets the same three.
    const int opened = ::open("/dev/null", fd == STDIN_FILENO ? O_RDONLY : O_WRONLY);
    if (opened > fd) {
      ::dup2(opened, fd);
      ::close(opened);
    }
  }
}

bool OutputWasClosed() { return outputClosed; }
}  // namespace StandardStreams
