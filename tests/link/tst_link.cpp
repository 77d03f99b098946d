// The link against the simulated controller over a real pseudo-terminal: send, wait, resend,
// give up, and dispatch every good reply whether or not something waits for it.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "commands.h"
#include "comport.h"
#include "link.h"
#include "simulator.h"

namespace {

struct Dispatched {
  QString what;
  quint8 command = 0;
  QByteArray payload;
};

class RecordingClient : public LinkClient {
 public:
  void ShowLoggedOut() override { ++loggedOut; }
  void ShowFirmwareVersion(quint8 version) override {
    calls.append({QStringLiteral("version"), Cmd::Login, QByteArray(1, char(version))});
  }
  void ShowStatusReply(const QByteArray& payload) override {
    calls.append({QStringLiteral("status"), Cmd::Status, payload});
  }
  void ApplyConfigReply(quint8 command, const QByteArray& payload) override {
    calls.append({QStringLiteral("config"), command, payload});
  }
  void ReportNoReply() override { ++noReply; }
  void LinkIdle() override { ++idle; }
  int loggedOut = 0;
  int noReply = 0;  // told that a request went unanswered
  int idle = 0;
  QList<Dispatched> calls;
};

// One link on a port open to a fresh simulator, with the window's 100 ms timer.
struct Bench {
  explicit Bench(SimOptions options = {}) : sim(std::move(options)), link(port, timer, client) {
    QString error;
    started = sim.Start(&error);
    if (!started) qWarning() << error;
    timer.setInterval(100);
    QObject::connect(&timer, &QTimer::timeout, [this] { link.CountdownStep(); });
    port.SetBaudRate(br1200);
    port.SetPort(sim.DevicePath().toLocal8Bit());
    port.OnRxChar = [this](TCustomComPort* sender, int count) { link.VaCommRxChar(sender, count); };
    port.OpenPort();
  }
  // Lets events run for a while, as the window's message loop would.
  static void Idle(int ms) { QTest::qWait(ms); }
  QList<qint64> SentAt(quint8 command) const {
    QList<qint64> times;
    for (const LoggedRequest& r : sim.Requests())
      if (r.command == command) times.append(r.ms);
    return times;
  }

  Simulator sim;
  TComPort port;
  QTimer timer;
  RecordingClient client;
  Link link;
  bool started = false;
};

}  // namespace

class TstLink : public QObject {
  Q_OBJECT

 private slots:
  void answeredAtOnce();
  void attempts_data();
  void attempts();
  void otherReplyDoesNotEndWait();
  void lateReadReplyStillApplied();
  void singleByteNotification();
  void dispatch_data();
  void dispatch();
  void portClosedUnderWait();
  void endedWait();
  void resendsItsOwnFrame();
};

void TstLink::answeredAtOnce() {
  Bench bench({.stageStepMs = 0});
  QVERIFY(bench.started);
  bench.sim.SetFixedStatus(QByteArray::fromHex("058013 0F0201"));
  QVERIFY(bench.link.SendFrameAndWait(Cmd::Status, "G", 10));
  QCOMPARE(bench.link.LastRxCommand, Cmd::Status);
  QCOMPARE(bench.link.LastRxPayload, QByteArray::fromHex("05 80 13 0F 02 01"));
  QCOMPARE(bench.link.LastSentFrame, QByteArray::fromHex("47 50 01 47 DF"));
  QVERIFY(!bench.link.LinkBusy);
  QCOMPARE(bench.link.PollTicks, quint8(0));
  QCOMPARE(bench.sim.Requests().size(), 1);
  QCOMPARE(bench.client.calls.size(), 1);
  QCOMPARE(bench.client.calls[0].what, QStringLiteral("status"));
  QCOMPARE(bench.client.loggedOut, 0);
}

// How many times a request goes out, and how a wait ends, when the controller misbehaves.
void TstLink::attempts_data() {
  QTest::addColumn<QString>("fault");
  QTest::addColumn<quint8>("command");
  QTest::addColumn<QByteArray>("payload");
  QTest::addColumn<bool>("answered");
  QTest::addColumn<int>("sent");
  QTest::addColumn<bool>("told");  // the user is told that it went unanswered

  QTest::newRow("dropped once, answered on the second attempt")
      << "drop=80x1" << Cmd::Status << QByteArray("G") << true << 2 << false;
  QTest::newRow("corrupt reply counts as a lost attempt")
      << "corrupt=4x1" << Cmd::ReadItem(0) << QByteArray("G") << true << 2 << false;
  QTest::newRow("silent login: three attempts then the box")
      << "silent" << Cmd::Login << QByteArray("7315") << false << 3 << true;
  QTest::newRow("silent status poll: three attempts, no box")
      << "silent" << Cmd::Status << QByteArray("G") << false << 3 << false;
}

void TstLink::attempts() {
  QFETCH(QString, fault);
  QFETCH(quint8, command);
  QFETCH(QByteArray, payload);
  QFETCH(bool, answered);
  QFETCH(int, sent);
  QFETCH(bool, told);

  Bench bench({.faults = {fault}, .stageStepMs = 0});
  QVERIFY(bench.started);
  QElapsedTimer clock;
  clock.start();
  bench.link.SendFrame(command, payload);
  const bool result = bench.link.WaitForReply(10, command);
  const qint64 took = clock.elapsed();

  QCOMPARE(result, answered);
  QTRY_COMPARE_WITH_TIMEOUT(bench.SentAt(command).size(), sent, 2000);
  QCOMPARE(bench.client.loggedOut, answered ? 0 : 1);
  QCOMPARE(bench.client.noReply, told ? 1 : 0);
  QVERIFY(bench.client.idle > 0);
  QVERIFY(!bench.link.LinkBusy);

  // Attempts are one countdown of 10 ticks apart: about a second each.
  const QList<qint64> times = bench.SentAt(command);
  for (int i = 1; i < times.size(); ++i) {
    const qint64 gap = times[i] - times[i - 1];
    QVERIFY2(gap > 800 && gap < 1600, qPrintable(QString::number(gap)));
  }
  if (!answered) QVERIFY2(took > 2600 && took < 4500, qPrintable(QString::number(took)));
}

// A late status reply arriving during a logout's wait is shown but does not answer the logout.
void TstLink::otherReplyDoesNotEndWait() {
  Bench bench({.faults = {QStringLiteral("slow=80:400"), QStringLiteral("drop=2")}, .stageStepMs = 0});
  QVERIFY(bench.started);
  bench.link.SendFrame(Cmd::Status, "G");
  bench.link.SendFrame(Cmd::Logout, "W");
  QVERIFY(!bench.link.WaitForReply(10, Cmd::Logout));
  QCOMPARE(bench.SentAt(Cmd::Logout).size(), 3);
  QCOMPARE(bench.client.calls.size(), 1);
  QCOMPARE(bench.client.calls[0].what, QStringLiteral("status"));
  QCOMPARE(bench.client.noReply, 1);
}

void TstLink::lateReadReplyStillApplied() {
  Bench bench({.faults = {QStringLiteral("slow=4:3300")}, .stageStepMs = 0});
  QVERIFY(bench.started);
  bench.link.SendFrame(Cmd::ReadItem(0), "G");
  QVERIFY(!bench.link.WaitForReply(10, Cmd::ReadItem(0)));
  QCOMPARE(bench.client.noReply, 1);
  QVERIFY(bench.client.calls.isEmpty());
  // The first attempt's reply comes after the wait gave up; it still reaches the window.
  QTRY_VERIFY_WITH_TIMEOUT(!bench.client.calls.isEmpty(), 2000);
  QCOMPARE(bench.client.calls[0].what, QStringLiteral("config"));
  QCOMPARE(bench.client.calls[0].command, Cmd::ReadItem(0));
  QCOMPARE(bench.client.calls[0].payload, QByteArray("7315"));
}

// The bootloader's acknowledgement is one byte alone; anything else reads as ".".
void TstLink::singleByteNotification() {
  Bench bench({.stageStepMs = 0});
  QVERIFY(bench.started);
  bench.link.SendFrame(Cmd::Restart, "B");
  QTRY_VERIFY_WITH_TIMEOUT(bench.sim.InBootloader(), 2000);
  bench.link.SendFrame(Cmd::FirmwareBlock, QByteArray(1, 0) + QByteArray(64, char(0xAA)));
  QTRY_COMPARE_WITH_TIMEOUT(bench.link.LastRxChar, Cmd::FirmwareAck, 2000);
  bench.link.SendFrame(Cmd::FirmwareEnd, "K");
  QTRY_VERIFY_WITH_TIMEOUT(!bench.sim.InBootloader(), 2000);
  QVERIFY(bench.link.SendFrameAndWait(Cmd::ReadItem(0), "G", 10));
  QCOMPARE(bench.link.LastRxChar, Link::NoRxChar);
  QVERIFY(bench.client.calls.size() == 1);
}

void TstLink::dispatch_data() {
  QTest::addColumn<quint8>("command");
  QTest::addColumn<QByteArray>("payload");
  QTest::addColumn<QString>("expected");  // what the window is told, empty: nothing

  QTest::newRow("login accepted shows the version") << Cmd::Login << QByteArray("T8") << "version";
  QTest::newRow("login rejected shows it too") << Cmd::Login << QByteArray("N8") << "version";
  QTest::newRow("login reply too short") << Cmd::Login << QByteArray("T") << "";
  QTest::newRow("status") << Cmd::Status << QByteArray::fromHex("058013 0F0201") << "status";
  QTest::newRow("status too short") << Cmd::Status << QByteArray::fromHex("05801 30F02") << "";
  QTest::newRow("read of item 0") << Cmd::ReadItem(0) << QByteArray("7315") << "config";
  QTest::newRow("read of item 28, empty") << Cmd::ReadItem(28) << QByteArray() << "config";
  QTest::newRow("write answer") << Cmd::WriteItem(0) << QByteArray("K") << "";
  QTest::newRow("logout answer") << Cmd::Logout << QByteArray("W") << "";
  QTest::newRow("password answer") << Cmd::PasswordChange << QByteArray("K") << "";
  QTest::newRow("counter reset answer") << Cmd::ResetCounters << QByteArray("K") << "";
  QTest::newRow("62 has no request") << quint8(62) << QByteArray("X") << "";
  QTest::newRow("restart") << Cmd::Restart << QByteArray() << "";
}

void TstLink::dispatch() {
  QFETCH(quint8, command);
  QFETCH(QByteArray, payload);
  QFETCH(QString, expected);
  TComPort port;
  QTimer timer;
  RecordingClient client;
  Link link(port, timer, client);
  link.DispatchReply(command, payload);
  if (expected.isEmpty()) {
    QVERIFY(client.calls.isEmpty());
    return;
  }
  QCOMPARE(client.calls.size(), 1);
  QCOMPARE(client.calls[0].what, expected);
  if (expected == QStringLiteral("version")) QCOMPARE(client.calls[0].payload, payload.mid(1, 1));
  if (expected == QStringLiteral("config")) QCOMPARE(client.calls[0].command, command);
  if (expected != QStringLiteral("version")) QCOMPARE(client.calls[0].payload, payload);
}

// A wait whose port is closed under it (a disconnect clicked during the wait) ends without
// writing to the closed port and without a box.
void TstLink::portClosedUnderWait() {
  Bench bench({.faults = {QStringLiteral("silent")}, .stageStepMs = 0});
  QVERIFY(bench.started);
  QTimer::singleShot(300, [&] { bench.port.ClosePort(); });
  bench.link.SendFrame(Cmd::ReadItem(0), "G");
  QVERIFY(!bench.link.WaitForReply(10, Cmd::ReadItem(0)));
  QCOMPARE(bench.client.noReply, 0);
  QCOMPARE(bench.SentAt(Cmd::ReadItem(0)).size(), 1);
}

// The link ends under a wait (logout, lost line): the wait returns at once, quietly.
void TstLink::endedWait() {
  Bench bench({.faults = {QStringLiteral("silent")}, .stageStepMs = 0});
  QVERIFY(bench.started);
  QTimer::singleShot(300, [&] { bench.link.EndWaits(); });
  QElapsedTimer clock;
  clock.start();
  bench.link.SendFrame(Cmd::ReadItem(3), "G");
  QVERIFY(!bench.link.WaitForReply(10, Cmd::ReadItem(3)));
  QVERIFY2(clock.elapsed() < 900, qPrintable(QString::number(clock.elapsed())));
  QTest::qWait(1500);
  QCOMPARE(bench.SentAt(Cmd::ReadItem(3)).size(), 1);
  QCOMPARE(bench.client.noReply, 0);
  QCOMPARE(bench.client.loggedOut, 0);
  QVERIFY(!bench.link.LinkBusy);
}

// Another frame written during a wait does not become the wait's resend.
void TstLink::resendsItsOwnFrame() {
  Bench bench({.faults = {QStringLiteral("silent")}, .stageStepMs = 0});
  QVERIFY(bench.started);
  QTimer::singleShot(300, [&] { bench.link.SendFrame(Cmd::ResetCounters, "G"); });
  bench.link.SendFrame(Cmd::ReadItem(3), "G");
  QVERIFY(!bench.link.WaitForReply(10, Cmd::ReadItem(3)));
  QTRY_COMPARE_WITH_TIMEOUT(bench.SentAt(Cmd::ReadItem(3)).size(), 3, 1000);
  QCOMPARE(bench.SentAt(Cmd::ResetCounters).size(), 1);
}

QTEST_GUILESS_MAIN(TstLink)
#include "tst_link.moc"
