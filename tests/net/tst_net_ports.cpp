// Network ports end to end: velt-cli through ser2net on loopback, in front of the simulator's
// pseudo-terminal, raw and with the Telnet COM-port option.
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include "cli_rig.h"
#include "config_record.h"
#include "ser2net_server.h"

Q_DECLARE_METATYPE(Ser2NetServer::Kind)

namespace {

const QString Busy = QStringLiteral("port sieciowy zajęty albo odmówił połączenia");

// A loopback port whose connections the kernel accepts and nobody ever answers.
class SilentServer {
 public:
  SilentServer() {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(fd_, 4) == 0 &&
        ::getsockname(fd_, reinterpret_cast<sockaddr*>(&a), &size) == 0)
      port_ = ntohs(a.sin_port);
  }
  ~SilentServer() { ::close(fd_); }
  int Port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

CliResult Run(const QString& port, QStringList arguments, int timeoutMs = 30000,
              const QProcessEnvironment& environment = QProcessEnvironment()) {
  return RunCli(QStringList{QStringLiteral("-p"), port} + arguments, timeoutMs, environment);
}

#define START_SERVER(server)                              \
  do {                                                    \
    QString why_;                                         \
    QVERIFY2((server).Start(&why_), qPrintable(why_));    \
  } while (false)

// The simulator, and ser2net in front of it.
struct ServedRig {
  explicit ServedRig(Ser2NetServer::Kind k) : kind(k) {}
  bool Start(QString* why) {
    if (!rig.Start(why)) return false;
    server = std::make_unique<Ser2NetServer>(rig.sim.DevicePath(), kind);
    return server->Start(why);
  }
  Ser2NetServer::Kind kind;
  CliRig rig;
  std::unique_ptr<Ser2NetServer> server;
};

#define START_SERVED(served)                              \
  do {                                                    \
    QString why_;                                         \
    QVERIFY2((served).Start(&why_), qPrintable(why_));    \
  } while (false)

// A status watch, logged in until it ends.
void StartWatch(QProcess& process, const QString& port) {
  process.setProcessEnvironment(CliEnvironment());
  process.start(QStringLiteral(VELT_CLI_PATH), {"-p", port, "status", "--watch"});
}

}  // namespace

class TestNetPorts : public QObject {
  Q_OBJECT
 private slots:
  void servesTheController_data() { Kinds(); }
  void servesTheController();
  void carriesIacBothWays_data() { Kinds(); }
  void carriesIacBothWays();
  void lostWhileLoggedInThenResumes_data() { Kinds(); }
  void lostWhileLoggedInThenResumes();
  void busyServerIsNamedNotQuoted_data() { Kinds(); }
  void busyServerIsNamedNotQuoted();
  void failsLikeALocalPort_data();
  void failsLikeALocalPort();
  void namedPortsMixWithLocalOnes();

 private:
  static void Kinds() {
    QTest::addColumn<Ser2NetServer::Kind>("kind");
    QTest::newRow("raw") << Ser2NetServer::Raw;
    QTest::newRow("rfc2217") << Ser2NetServer::Rfc2217;
  }
};

// Status and a whole configuration read, as through a cable.
void TestNetPorts::servesTheController() {
  QFETCH(Ser2NetServer::Kind, kind);
  ServedRig served(kind);
  START_SERVED(served);
  CliRig& rig = served.rig;
  Ser2NetServer& server = *served.server;
  const CliResult status = Run(server.Url(), {"status", "--json"});
  QVERIFY2(status.status == 0, qPrintable(status.Describe()));
  const CliResult direct = rig.Run({"read", "-o", rig.File("direct.gcf")});
  QVERIFY2(direct.status == 0, qPrintable(direct.Describe()));
  const CliResult viaNet = Run(server.Url(), {"read", "-o", rig.File("net.gcf")});
  QVERIFY2(viaNet.status == 0, qPrintable(viaNet.Describe()));
  QFile a(rig.File("direct.gcf")), b(rig.File("net.gcf"));
  QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
  QCOMPARE(b.readAll(), a.readAll());
}

// 0xFF is IAC to telnet: written doubled, read back single, stored as the one byte it is.
void TestNetPorts::carriesIacBothWays() {
  QFETCH(Ser2NetServer::Kind, kind);
  ServedRig served(kind);
  START_SERVED(served);
  CliRig& rig = served.rig;
  Ser2NetServer& server = *served.server;
  const int k = ConfigItemByKey("in1_off_text")->index;
  // U+02D9 is 0xFF in the controller's code page.
  const CliResult set = Run(server.Url(), {"set", QStringLiteral("in1_off_text=A\u02D9\u02D9B"), "--verify"});
  QVERIFY2(set.status == 0, qPrintable(set.Describe()));
  QCOMPARE(rig.sim.State().items[size_t(k)], QByteArray("A\xFF\xFF" "B"));
  const CliResult get = Run(server.Url(), {"get", "in1_off_text"});
  QVERIFY2(get.status == 0 && get.out.contains(QStringLiteral("A\u02D9\u02D9B")), qPrintable(get.Describe()));
}

// The server goes while a watch is logged in: the watch ends as on a pulled adapter, and the
// port serves again once the server is back.
void TestNetPorts::lostWhileLoggedInThenResumes() {
  QFETCH(Ser2NetServer::Kind, kind);
  ServedRig served(kind);
  START_SERVED(served);
  CliRig& rig = served.rig;
  Ser2NetServer& server = *served.server;
  QProcess watch;
  StartWatch(watch, server.Url());
  QVERIFY(rig.sim.WaitForRequests(3, 10000));  // logged in, and polling
  QElapsedTimer took;
  took.start();
  server.Stop();
  const CliResult ended = Finish(watch, 10000);
  const QString lost = QStringLiteral("utracono połączenie z portem sieciowym %1").arg(server.Url());
  QVERIFY2(ended.status == 1 && ended.err.contains(lost), qPrintable(ended.Describe()));
  QVERIFY2(took.elapsed() < 3000, "the loss ends the watch at once, not after the resends");

  START_SERVER(server);
  const CliResult again = Run(server.Url(), {"status"});
  QVERIFY2(again.status == 0, qPrintable(again.Describe()));
}

// ser2net's own refusal ("Port already in use") is never shown; the user's words are.
void TestNetPorts::busyServerIsNamedNotQuoted() {
  QFETCH(Ser2NetServer::Kind, kind);
  ServedRig served(kind);
  START_SERVED(served);
  CliRig& rig = served.rig;
  Ser2NetServer& server = *served.server;
  QProcess holder;
  StartWatch(holder, server.Url());
  QVERIFY(rig.sim.WaitForRequests(2, 10000));
  const CliResult second = Run(server.Url(), {"status"});
  holder.terminate();
  Finish(holder, 10000);
  QVERIFY2(second.status == 1, qPrintable(second.Describe()));
  QCOMPARE(second.err.trimmed(), QStringLiteral("velt-cli: %1: %2").arg(server.Url(), Busy));
}

// Each failure names the network port, comes within its limit, and ends with the exit status
// a local port in the same state gives.
void TestNetPorts::failsLikeALocalPort_data() {
  QTest::addColumn<QString>("scheme");
  QTest::addColumn<QString>("host");
  QTest::addColumn<bool>("listening");
  QTest::addColumn<QStringList>("localTwin");  // a local port in the same state: -p and its set-up
  QTest::addColumn<int>("limitMs");
  QTest::newRow("raw, nothing listening") << "tcp" << "127.0.0.1" << false << QStringList{"/dev/velt-no-such-port"} << 4000;
  QTest::newRow("by name, nothing listening") << "tcp" << "localhost" << false << QStringList{"/dev/velt-no-such-port"} << 4000;
  QTest::newRow("IPv6, nothing listening") << "rfc2217" << "[::1]" << false << QStringList{"/dev/velt-no-such-port"} << 4000;
  QTest::newRow("rfc2217, nothing listening") << "rfc2217" << "127.0.0.1" << false << QStringList{"/dev/velt-no-such-port"} << 4000;
  QTest::newRow("raw, accepted and silent") << "tcp" << "127.0.0.1" << true << QStringList{"silent"} << 6000;
  QTest::newRow("rfc2217, accepted and silent") << "rfc2217" << "127.0.0.1" << true << QStringList{"/dev/velt-no-such-port"} << 8000;
}

void TestNetPorts::failsLikeALocalPort() {
  QFETCH(QString, scheme);
  QFETCH(QString, host);
  QFETCH(bool, listening);
  QFETCH(QStringList, localTwin);
  QFETCH(int, limitMs);
  SilentServer silent;
  const int port = listening ? silent.Port() : Ser2NetServer::FreePort();
  const QString url = QStringLiteral("%1://%2:%3").arg(scheme, host).arg(port);
  QElapsedTimer took;
  took.start();
  const CliResult result = Run(url, {"status"});
  QVERIFY2(took.elapsed() < limitMs, qPrintable(QString::number(took.elapsed())));
  QVERIFY2(result.err.contains(url), qPrintable(result.Describe()));
  CliResult local;
  if (localTwin.first() == u"silent") {
    CliRig rig;
    START_RIG(rig);
    QVERIFY(rig.sim.SetFaults({"silent"}));
    local = rig.Run({"status"});
  } else {
    local = Run(localTwin.first(), {"status"});
  }
  QVERIFY2(local.status > 0, qPrintable(local.Describe()));
  QCOMPARE(result.status, local.status);
}

// Named in velt.conf, a network port is listed and used by its name, beside local ports.
void TestNetPorts::namedPortsMixWithLocalOnes() {
  QTemporaryDir config;
  QProcessEnvironment environment = CliEnvironment();
  environment.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
  CliRig near, far;
  START_RIG(near);
  START_RIG(far);
  Ser2NetServer server(far.sim.DevicePath(), Ser2NetServer::Rfc2217);
  START_SERVER(server);
  const CliResult add = RunCli({"ports", "add", "szafa", server.Url()}, 10000, environment);
  QVERIFY2(add.status == 0, qPrintable(add.Describe()));
  const CliResult list = RunCli({"ports", "--json"}, 10000, environment);
  QVERIFY2(list.status == 0, qPrintable(list.Describe()));
  const QJsonObject named = list.Json().value("ports").toArray().last().toObject();
  QCOMPARE(named.value("port").toString(), "szafa");
  QCOMPARE(named.value("network").toString(), server.Url());

  const CliResult both = RunCli({"status", "--ports", near.sim.DevicePath() + ",szafa", "--json"}, 30000, environment);
  QVERIFY2(both.status == 0, qPrintable(both.Describe()));
  QVERIFY(near.sim.RequestCount() > 0);
  QVERIFY(far.sim.RequestCount() > 0);
  // One server port named twice, once by its name: refused before anything is sent.
  far.sim.ClearRequests();
  const CliResult twice = RunCli({"status", "--ports", "szafa," + server.Url()}, 10000, environment);
  QCOMPARE(twice.status, 2);
  QCOMPARE(far.sim.RequestCount(), 0);

  const CliResult remove = RunCli({"ports", "remove", "szafa"}, 10000, environment);
  QVERIFY2(remove.status == 0, qPrintable(remove.Describe()));
  const CliResult gone = RunCli({"status", "-p", "szafa"}, 10000, environment);
  QVERIFY2(gone.status != 0 && gone.err.contains("szafa"), qPrintable(gone.Describe()));
}

QTEST_GUILESS_MAIN(TestNetPorts)
#include "tst_net_ports.moc"
