// The serial component on a network port, against a scripted RFC 2217 server on loopback: what
// it takes, what it refuses and in which words, and that its connection ends with the port.
#include <QTest>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "comport.h"

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

const QByteArray Echoes = Hex("fffa2c65000004b0fff0" "fffa2c6608fff0" "fffa2c6701fff0" "fffa2c6801fff0" "fffa2c6901fff0");

// One connection: it reads the client's greeting (five settings), answers with `script`, closes
// at once when asked to, else takes what the client writes until the client ends.
class ScriptedServer {
 public:
  ScriptedServer(QByteArray script, bool closeAtOnce) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 && ::listen(listener_, 1) == 0 &&
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &size) == 0)
      port_ = ntohs(a.sin_port);
    thread_ = std::thread([this, script, closeAtOnce] { Serve(script, closeAtOnce); });
  }
  ~ScriptedServer() {
    ::shutdown(listener_, SHUT_RDWR);  // ends an accept that never came
    thread_.join();
    ::close(listener_);
  }
  QByteArray Url() const { return "rfc2217://127.0.0.1:" + QByteArray::number(port_); }
  // Whether `count` bytes came after the greeting within the time.
  bool WaitForBytes(qsizetype count, int ms) {
    std::unique_lock lock(mutex_);
    return arrived_.wait_for(lock, std::chrono::milliseconds(ms), [&] { return received_.size() >= count; });
  }
  // After the client has ended: everything it sent after its greeting.
  QByteArray Received() {
    thread_.join();
    thread_ = std::thread([] {});
    return received_;
  }

 private:
  void Serve(const QByteArray& script, bool closeAtOnce) {
    const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) return;
    QByteArray in;
    char buffer[1024];
    ssize_t n = 0;
    while (in.count(Hex("fff0")) < 5 && (n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) in.append(buffer, n);
    ::send(fd, script.constData(), size_t(script.size()), MSG_NOSIGNAL);
    if (!closeAtOnce) {
      Take(in.mid(in.lastIndexOf(Hex("fff0")) + 2));
      while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) Take(QByteArray(buffer, n));
    }
    ::close(fd);
  }

  void Take(const QByteArray& bytes) {
    const std::lock_guard lock(mutex_);
    received_ += bytes;
    arrived_.notify_all();
  }

  std::mutex mutex_;
  std::condition_variable arrived_;
  int listener_ = -1;
  int port_ = 0;
  QByteArray received_;
  std::thread thread_;
};

}  // namespace

class TestNetLine : public QObject {
  Q_OBJECT
 private slots:
  void refusesWhatItCannotUse_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<bool>("closeAtOnce");
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QByteArray>("answered");  // all that went out past the greeting
    QTest::newRow("another speed echoed") << Hex("fffa2c6500002580fff0") << false << "serwer portów ustawił prędkość inaczej, niż velt prosił (RFC 2217)" << QByteArray();
    QTest::newRow("parity not confirmed") << Hex("fffa2c65000004b0fff0fffa2c6702fff0") << false
                                          << "serwer portów ustawił parzystość inaczej, niż velt prosił (RFC 2217)" << QByteArray();
    QTest::newRow("no COM-port option") << Hex("fffe2c") << false << "serwer portów nie obsługuje ustawiania łącza (RFC 2217)" << Hex("fffc2c");
    QTest::newRow("a refusal text, then the end") << Hex("fffb03fffd2c") + "Port already in use\r\n" << true
                                                  << "port sieciowy zajęty albo odmówił połączenia" << QByteArray();
    QTest::newRow("the end at once") << QByteArray() << true << "port sieciowy zajęty albo odmówił połączenia" << QByteArray();
  }
  void refusesWhatItCannotUse() {
    QFETCH(QByteArray, script);
    QFETCH(bool, closeAtOnce);
    QFETCH(QString, refusal);
    QFETCH(QByteArray, answered);
    ScriptedServer server(script, closeAtOnce);
    TComPort port;
    port.SetPort(server.Url());
    port.OpenPort();
    QVERIFY(!port.Connected());
    QCOMPARE(port.PortHandle(), -1);
    QCOMPARE(port.Refusal(), refusal);
    QCOMPARE(server.Received(), answered);  // and the connection ended
  }

  // Accepted once every setting is echoed; IAC doubled on the way out; the connection ends with
  // the port's close.
  void carriesDataAndEndsWithThePort() {
    ScriptedServer server(Hex("fffd00fffb00") + Echoes, false);
    TComPort port;
    port.SetBaudRate(br1200);
    port.SetPort(server.Url());
    port.OpenPort();
    QVERIFY2(port.Connected(), qPrintable(port.Refusal()));
    QCOMPARE(port.WriteText(Hex("01ff02")), 3);
    // A close drops what has not left the line yet, as on a cable: it is let out first.
    QVERIFY(server.WaitForBytes(4, 5000));
    port.ClosePort();
    QCOMPARE(server.Received(), Hex("01ffff02"));
  }
};

QTEST_GUILESS_MAIN(TestNetLine)
#include "tst_net_line.moc"
