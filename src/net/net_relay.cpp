#include "net_relay.h"

#include <cerrno>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include "com_port_option.h"
#include "telnet_codec.h"

namespace {
// What one side may hold for the other before it stops taking more: a frame of the link is far
// smaller, a firmware block too.
constexpr qsizetype HoldLimit = 4096;
constexpr int ChunkSize = 4096;

// Writes what the descriptor takes now and drops it from `pending`; false on a failure other
// than a full side.
bool WriteSome(int fd, QByteArray& pending, bool socket) {
  while (!pending.isEmpty()) {
    const ssize_t n = socket ? ::send(fd, pending.constData(), size_t(pending.size()), MSG_NOSIGNAL)
                             : ::write(fd, pending.constData(), size_t(pending.size()));
    if (n > 0) {
      pending.remove(0, n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
  }
  return true;
}
}  // namespace

NetRelay::NetRelay(int socket, int master, std::unique_ptr<ComPortOption> telnet, QByteArray early)
    : socket_(socket), master_(master), telnet_(std::move(telnet)), toLine_(std::move(early)) {
  wake_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake_ < 0) {
    startError_ = errno;
    return;
  }
  thread_ = std::thread([this] { Run(); });
}

NetRelay::~NetRelay() {
  if (thread_.joinable()) {
    const quint64 one = 1;
    [[maybe_unused]] const ssize_t n = ::write(wake_, &one, sizeof one);
    thread_.join();
  }
  // What the port wrote last (a logout, a restart) still goes, as far as the server takes it now.
  WriteSome(socket_, toSocket_, true);
  ::shutdown(socket_, SHUT_RDWR);
  ::close(socket_);
  if (master_ >= 0) ::close(master_);
  if (wake_ >= 0) ::close(wake_);
}

void NetRelay::Run() {
  for (;;) {
    pollfd fds[3] = {{wake_, POLLIN, 0}, {socket_, 0, 0}, {master_, 0, 0}};
    if (toLine_.isEmpty()) fds[1].events |= POLLIN;
    if (!toSocket_.isEmpty()) fds[1].events |= POLLOUT;
    if (toSocket_.size() < HoldLimit) fds[2].events |= POLLIN;
    if (!toLine_.isEmpty()) fds[2].events |= POLLOUT;
    if (::poll(fds, 3, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    if (fds[0].revents) return;
    // A hung-up socket reports so at once and for ever: it ends the relay whatever was asked.
    const bool ended = (fds[1].revents & (POLLHUP | POLLERR)) ||
                       ((fds[1].revents & POLLIN) && !FromSocket()) ||
                       ((fds[1].revents & POLLOUT) && !ToSocket());
    if (fds[2].revents & POLLIN) FromLine();
    if (fds[2].revents & POLLOUT) ToLine();
    if (ended) break;
  }
  // The connection is gone: what came from it is handed on, then the line hangs up.
  WriteSome(master_, toLine_, false);
  ::close(master_);
  master_ = -1;
}

bool NetRelay::FromSocket() {
  char buffer[ChunkSize];
  const ssize_t n = ::recv(socket_, buffer, sizeof buffer, 0);
  if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
  // Acknowledged at once, not after the kernel's delay: a server that keeps Nagle's algorithm
  // holds its next small piece (the rest of a reply) until this acknowledgement comes. The
  // kernel drops the setting again by itself, so it is renewed with every piece.
  const int on = 1;
  ::setsockopt(socket_, IPPROTO_TCP, TCP_QUICKACK, &on, sizeof on);
  if (n == 0) return false;
  if (!telnet_) {
    toLine_.append(buffer, n);
  } else {
    QByteArray reply;
    telnet_->Feed(QByteArrayView(buffer, n), toLine_, reply);
    toSocket_ += reply;
  }
  if (!toLine_.isEmpty()) ToLine();
  return toSocket_.isEmpty() || ToSocket();
}

bool NetRelay::ToSocket() { return WriteSome(socket_, toSocket_, true); }

void NetRelay::FromLine() {
  char buffer[ChunkSize];
  const ssize_t n = ::read(master_, buffer, sizeof buffer);
  if (n <= 0) return;
  toSocket_ += telnet_ ? Telnet::EscapeIac(QByteArrayView(buffer, n)) : QByteArray(buffer, n);
  ToSocket();
}

void NetRelay::ToLine() { WriteSome(master_, toLine_, false); }
