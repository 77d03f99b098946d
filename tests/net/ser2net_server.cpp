#include "ser2net_server.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QTest>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
constexpr int StartLimitMs = 5000;
}

Ser2NetServer::Ser2NetServer(QString device, Kind kind, bool defaults)
    : device_(std::move(device)), kind_(kind), defaults_(defaults), port_(FreePort()) {}

Ser2NetServer::~Ser2NetServer() { Stop(); }

int Ser2NetServer::FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
    port = ntohs(a.sin_port);
  ::close(fd);
  return port;
}

bool Ser2NetServer::Listening(int port) {
  QFile table(QStringLiteral("/proc/net/tcp"));
  if (!table.open(QIODevice::ReadOnly)) return false;
  // "sl local_address rem_address st ...": 127.0.0.1 is 0100007F, LISTEN is 0A.
  const QByteArray local = QByteArray("0100007F:") + QByteArray::number(port, 16).toUpper().rightJustified(4, '0');
  for (const QByteArray& line : table.readAll().split('\n')) {
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() > 3 && fields[1] == local && fields[3] == "0A") return true;
  }
  return false;
}

QString Ser2NetServer::Url() const {
  return QStringLiteral("%1://127.0.0.1:%2").arg(kind_ == Rfc2217 ? "rfc2217" : "tcp").arg(port_);
}

bool Ser2NetServer::Start(QString* why) {
  const QString accepter = QStringLiteral("%1%2,127.0.0.1,%3")
                               .arg(kind_ == Rfc2217 ? "telnet(rfc2217)," : "", defaults_ ? "tcp" : "tcp(nodelay)")
                               .arg(port_);
  const QString config = QStringLiteral(
                             "connection: &velt\n"
                             "  accepter: %1\n"
                             "  connector: serialdev,%2,1200n81,local\n"
                             "  options:\n"
                             "    kickolduser: false\n%3")
                             .arg(accepter, device_, defaults_ ? "" : "    chardelay: false\n");
  QFile file(folder_.filePath(QStringLiteral("ser2net.yaml")));
  if (!file.open(QIODevice::WriteOnly) || file.write(config.toUtf8()) < 0) {
    *why = QStringLiteral("cannot write the ser2net configuration");
    return false;
  }
  file.close();
  process_.setProcessChannelMode(QProcess::MergedChannels);
  process_.start(QStringLiteral("ser2net"), {QStringLiteral("-n"), QStringLiteral("-u"), QStringLiteral("-c"), file.fileName(),
                                             QStringLiteral("-P"), folder_.filePath(QStringLiteral("ser2net.pid"))});
  if (!process_.waitForStarted(StartLimitMs)) {
    *why = QStringLiteral("ser2net does not start (is the ser2net package installed?): ") + process_.errorString();
    return false;
  }
  // ser2net tells nobody when it listens; the kernel's table does.
  const QDeadlineTimer limit(StartLimitMs);
  while (!Listening(port_)) {
    if (limit.hasExpired() || process_.state() != QProcess::Running) {
      *why = QStringLiteral("ser2net does not listen on port %1: %2").arg(port_).arg(QString::fromUtf8(process_.readAll()));
      Stop();
      return false;
    }
    QTest::qWait(10);
  }
  return true;
}

void Ser2NetServer::Stop() {
  if (process_.state() == QProcess::NotRunning) return;
  process_.terminate();
  if (!process_.waitForFinished(StartLimitMs)) {
    process_.kill();
    process_.waitForFinished(StartLimitMs);
  }
}
