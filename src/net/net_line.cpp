#include "net_line.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include "com_port_option.h"
#include "net_address.h"
#include "net_connect.h"
#include "net_relay.h"

namespace {

struct Greeted {
  bool ok = false;
  QByteArray early;  // data that came meanwhile
  QString problem;
};

bool SendAll(int fd, const QByteArray& bytes) {
  return ::send(fd, bytes.constData(), size_t(bytes.size()), MSG_NOSIGNAL) == bytes.size();
}

// Reads what is there; false when the connection has ended.
bool ReadSome(int fd, QByteArray& into) {
  char buffer[1024];
  const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
  if (n > 0) into.append(buffer, n);
  return n > 0 || (n < 0 && (errno == EAGAIN || errno == EINTR));
}

// The far side's line set and each setting echoed back unchanged, within the limit.
Greeted SetFarLine(int fd, ComPortOption& telnet) {
  Greeted g;
  if (!SendAll(fd, telnet.Greeting())) return {false, {}, QString::fromUtf8(NetLine::BusyText)};
  const qint64 deadlineNs = NetConnect::NowNs() + qint64(NetLine::SettingsLimitMs) * 1'000'000;
  while (telnet.state() == ComPortOption::Negotiating) {
    if (!NetConnect::WaitReadable(fd, deadlineNs)) {
      g.problem = QStringLiteral("serwer portu sieciowego nie potwierdził ustawień łącza (1200 bit/s, 8N1, bez sterowania "
                                 "przepływem) w ciągu %1 s (RFC 2217)").arg(NetLine::SettingsLimitMs / 1000);
      return g;
    }
    QByteArray bytes;
    // A refusal (a text, then the end) or an end at once: the server will not serve us.
    if (!ReadSome(fd, bytes)) return {false, {}, QString::fromUtf8(NetLine::BusyText)};
    QByteArray reply;
    telnet.Feed(bytes, g.early, reply);
    if (!reply.isEmpty() && !SendAll(fd, reply)) return {false, {}, QString::fromUtf8(NetLine::BusyText)};
  }
  if (telnet.state() == ComPortOption::Refused) {
    g.problem = telnet.Problem();
    return g;
  }
  g.ok = true;
  return g;
}

// A raw server says no by closing (after a text, perhaps) as soon as it has accepted. Nothing
// says yes: the wait is a few round trips, short on a near server, longer on a far one.
Greeted AwaitRefusal(int fd, qint64 roundTripNs) {
  Greeted g;
  const qint64 graceNs = std::clamp(NetLine::RefusalRoundTrips * roundTripNs, qint64(NetLine::RefusalGraceMinMs) * 1'000'000,
                                    qint64(NetLine::RefusalGraceMaxMs) * 1'000'000);
  const qint64 deadlineNs = NetConnect::NowNs() + graceNs;
  while (NetConnect::WaitReadable(fd, deadlineNs)) {
    if (!ReadSome(fd, g.early)) return {false, {}, QString::fromUtf8(NetLine::BusyText)};
  }
  g.ok = true;
  return g;
}

// A pseudo-terminal pair, raw from the start: a cooked line would echo the first bytes back.
int OpenPair(int& master, int& slave, QByteArray& path) {
  master = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) return errno;
  char name[128];
  int err = 0;
  if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || ::ptsname_r(master, name, sizeof name) != 0 ||
      ::fcntl(master, F_SETFL, O_NONBLOCK) != 0) {
    err = errno;
  } else if ((slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK)) < 0) {
    err = errno;
  } else {
    termios t{};
    if (::tcgetattr(slave, &t) == 0) {
      ::cfmakeraw(&t);
      ::tcsetattr(slave, TCSANOW, &t);
    }
    path = name;
    return 0;
  }
  ::close(master);
  master = -1;
  return err;
}

}  // namespace

std::unique_ptr<NetLine> NetLine::Open(const QByteArray& name, QString* problem) {
  const std::optional<NetAddress> address = NetAddressText::Parse(name, problem);
  if (!address) return nullptr;
  const NetConnect::Result connection = NetConnect::Connect(*address);
  if (connection.socket < 0) {
    *problem = connection.problem;
    return nullptr;
  }
  const int fd = connection.socket;
  std::unique_ptr<ComPortOption> telnet;
  if (address->kind == NetAddress::Rfc2217) telnet = std::make_unique<ComPortOption>();
  const Greeted greeted = telnet ? SetFarLine(fd, *telnet) : AwaitRefusal(fd, connection.roundTripNs);
  std::unique_ptr<NetLine> line(new NetLine);
  int master = -1;
  const int err = greeted.ok ? OpenPair(master, line->slave_, line->path_) : 0;
  if (!greeted.ok || err) {
    ::close(fd);
    *problem = err ? QStringLiteral("nie można utworzyć linii dla portu sieciowego (błąd %1)").arg(err) : greeted.problem;
    return nullptr;
  }
  line->relay_ = std::make_unique<NetRelay>(fd, master, std::move(telnet), greeted.early);
  if (const int startErr = line->relay_->StartError()) {
    *problem = QStringLiteral("nie można uruchomić wątku portu sieciowego (błąd %1)").arg(startErr);
    return nullptr;
  }
  return line;
}

NetLine::~NetLine() {
  relay_.reset();
  if (slave_ >= 0) ::close(slave_);
}
