#include "net_connect.h"

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <memory>
#include <mutex>
#include <thread>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

namespace {

// Keep-alive finds a peer that vanished while the line is idle; the user time-out one that
// vanished with our bytes unacknowledged. Either ends the connection like a pulled adapter.
constexpr int KeepIdleS = 5;
constexpr int KeepIntervalS = 2;
constexpr int KeepCount = 3;
constexpr unsigned UserTimeoutMs = 10000;

struct Lookup {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  int status = 0;
  addrinfo* addresses = nullptr;
  ~Lookup() {
    if (addresses) ::freeaddrinfo(addresses);
  }
};

// The system's resolver has no limit of its own: it runs on a thread of its own, and one that
// outlives its caller's patience finishes alone.
std::shared_ptr<Lookup> Resolve(const NetAddress& address, qint64 deadlineNs, bool& inTime) {
  auto lookup = std::make_shared<Lookup>();
  const QByteArray host = address.host.toUtf8();
  const QByteArray service = QByteArray::number(address.port);
  std::thread([lookup, host, service] {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV | AI_ADDRCONFIG;
    addrinfo* found = nullptr;
    const int status = ::getaddrinfo(host.constData(), service.constData(), &hints, &found);
    const std::lock_guard lock(lookup->mutex);
    lookup->status = status;
    lookup->addresses = found;
    lookup->finished = true;
    lookup->done.notify_all();
  }).detach();
  std::unique_lock lock(lookup->mutex);
  const auto limit = std::chrono::nanoseconds(std::max<qint64>(0, deadlineNs - NetConnect::NowNs()));
  inTime = lookup->done.wait_for(lock, limit, [&] { return lookup->finished; });
  return lookup;
}

// One address, until the deadline: the errno of a failure, 0 with `fd` connected.
int TryAddress(const addrinfo& a, qint64 deadlineNs, int& fd) {
  fd = ::socket(a.ai_family, a.ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a.ai_protocol);
  if (fd < 0) return errno;
  int err = 0;
  if (::connect(fd, a.ai_addr, a.ai_addrlen) != 0) {
    err = errno;
    if (err == EINPROGRESS) {
      pollfd p{fd, POLLOUT, 0};
      const qint64 leftMs = (deadlineNs - NetConnect::NowNs()) / 1'000'000;
      const int ready = leftMs > 0 ? ::poll(&p, 1, int(leftMs)) : 0;
      socklen_t size = sizeof err;
      if (ready <= 0) err = ETIMEDOUT;
      else if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &err, &size) != 0) err = errno;
    }
  }
  if (err) {
    ::close(fd);
    fd = -1;
  }
  return err;
}

void SetUpLine(int fd) {
  const int on = 1;
  ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  ::setsockopt(fd, SOL_SOCKET, SO_KEEPALIVE, &on, sizeof on);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPIDLE, &KeepIdleS, sizeof KeepIdleS);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPINTVL, &KeepIntervalS, sizeof KeepIntervalS);
  ::setsockopt(fd, IPPROTO_TCP, TCP_KEEPCNT, &KeepCount, sizeof KeepCount);
  ::setsockopt(fd, IPPROTO_TCP, TCP_USER_TIMEOUT, &UserTimeoutMs, sizeof UserTimeoutMs);
}

QString ConnectProblem(int err) {
  switch (err) {
    case ECONNREFUSED:
      return QStringLiteral("port sieciowy nie przyjmuje połączeń (nic nie nasłuchuje pod tym adresem)");
    case ETIMEDOUT:
      return QStringLiteral("port sieciowy nie odpowiedział w ciągu %1 s").arg(NetConnect::ConnectLimitMs / 1000);
    case ENETUNREACH:
    case EHOSTUNREACH:
      return QStringLiteral("sieć nie prowadzi do portu sieciowego (komputer nieosiągalny)");
    default: {
      char buffer[256];
      return QStringLiteral("nie można połączyć się z portem sieciowym: %1")
          .arg(QString::fromLocal8Bit(::strerror_r(err, buffer, sizeof buffer)));
    }
  }
}

}  // namespace

namespace NetConnect {

qint64 NowNs() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return qint64(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

bool WaitReadable(int fd, qint64 deadlineNs) {
  for (;;) {
    const qint64 leftNs = deadlineNs - NowNs();
    if (leftNs <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    const timespec limit{time_t(leftNs / 1'000'000'000), long(leftNs % 1'000'000'000)};
    const int ready = ::ppoll(&p, 1, &limit, nullptr);
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return true;  // the read that follows tells what failed
  }
}

Result Connect(const NetAddress& address) {
  const qint64 deadlineNs = NowNs() + qint64(ConnectLimitMs) * 1'000'000;
  bool inTime = false;
  const std::shared_ptr<Lookup> lookup = Resolve(address, deadlineNs, inTime);
  if (!inTime)
    return {-1, QStringLiteral("nie ustalono adresu komputera %1 w ciągu %2 s").arg(address.host).arg(ConnectLimitMs / 1000)};
  if (lookup->status != 0)
    return {-1, QStringLiteral("nie znaleziono komputera %1 (%2)").arg(address.host, QString::fromLocal8Bit(::gai_strerror(lookup->status)))};
  int err = ETIMEDOUT;
  for (const addrinfo* a = lookup->addresses; a && NowNs() < deadlineNs; a = a->ai_next) {
    int fd = -1;
    const qint64 startNs = NowNs();
    err = TryAddress(*a, deadlineNs, fd);
    if (!err) {
      SetUpLine(fd);
      return {fd, {}, NowNs() - startNs};
    }
  }
  return {-1, ConnectProblem(err)};
}

}  // namespace NetConnect
