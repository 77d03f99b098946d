// Reading and writing through the serial port, and how its failures are reported.
#include "comport.h"
#include "pseudo_terminal.h"

#include <QScopeGuard>
#include <QtTest>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>

using PortAction = std::function<void(TComPort&, const QByteArray& ptyPath)>;
Q_DECLARE_METATYPE(PortAction)
using PeerAction = std::function<void(TComPort&, PseudoTerminal&)>;
Q_DECLARE_METATYPE(PeerAction)

class TestComPortIo : public QObject {
  Q_OBJECT
 private slots:
  void bytesBothWays();
  void readTakesWhatIsWaiting();
  void emptyTransfers();
  void framesInOrder();
  void transferSteps();
  void writeTimeoutReturnsWhatWentOut();
  void laterWritesQueueBehind_data();
  void laterWritesQueueBehind();
  void queuedWriteProgressesUnwaited_data();
  void queuedWriteProgressesUnwaited();
  void queuedWriteEndsAtItsOwnTimeout();
  void cancelEndsQueuedWrites_data();
  void cancelEndsQueuedWrites();
  void cancelEndsWaitOnAnotherThread_data();
  void cancelEndsWaitOnAnotherThread();
  void readTimeouts_data();
  void readTimeouts();
  void cancelEndsWaitingRead();
  void noModemLinesIsNoError();
  void vanishedDevice_data();
  void vanishedDevice();
  void errors_data();
  void errors();
  void exceptionHandlerInsteadOfRaising();
};

namespace {
// Every byte value, including the ones a cooked terminal would translate or act on.
QByteArray AllBytes() {
  QByteArray bytes;
  for (int i = 0; i < 256; ++i) bytes.append(char(i));
  return bytes;
}

struct OpenPort {
  PseudoTerminal pty;
  TComPort port;
  explicit OpenPort(TComEvents events = TComEvents::All()) {
    port.SetPort(pty.SlavePath());
    port.SetEvents(events);
    port.OpenPort();
  }
};

// Far more than a pseudo-terminal holds while nobody reads it.
const QByteArray Big(300000, 'A');

// The peer's side of a test: `bytes` written to the line `afterMs` after construction.
class LaterArrival {
 public:
  LaterArrival(PseudoTerminal& pty, int afterMs, QByteArray bytes)
      : thread_([&pty, afterMs, bytes] {
          std::this_thread::sleep_for(std::chrono::milliseconds(afterMs));
          pty.Write(bytes);
        }) {}
  ~LaterArrival() { thread_.join(); }

 private:
  std::thread thread_;
};

// Events of a port with an event thread (which drives queued writes) or without one.
void AddThreadRows() {
  QTest::addColumn<bool>("eventThread");
  QTest::newRow("event thread") << true;
  QTest::newRow("no event thread") << false;
}
TComEvents EventsFor(bool eventThread) { return eventThread ? TComEvents::All() : TComEvents(); }
}  // namespace

void TestComPortIo::bytesBothWays() {
  OpenPort o{TComEvents()};
  const QByteArray bytes = AllBytes();
  QCOMPARE(o.port.WriteText(bytes), bytes.size());
  QCOMPARE(o.pty.Read(bytes.size()), bytes);

  QVERIFY(o.pty.Write(bytes));
  QTRY_COMPARE(o.port.PendingInputCount(), int(bytes.size()));
  QByteArray received;
  QCOMPARE(o.port.ReadText(received, 1000), int(bytes.size()));
  QCOMPARE(received, bytes);
}

void TestComPortIo::readTakesWhatIsWaiting() {
  OpenPort o{TComEvents()};
  QVERIFY(o.pty.Write("abc"));
  QTRY_COMPARE(o.port.PendingInputCount(), 3);
  char buffer[2];
  QCOMPARE(o.port.ReadBytes(buffer, 2), 2);
  QCOMPARE(QByteArray(buffer, 2), QByteArray("ab"));
  QByteArray text = "old contents";
  QCOMPARE(o.port.ReadText(text, 100), 1);  // at once, cut to what was there
  QCOMPARE(text, QByteArray("c"));
  QCOMPARE(o.port.ReadText(text, 100), 0);
  QCOMPARE(text, QByteArray());
}

void TestComPortIo::emptyTransfers() {
  OpenPort o{TComEvents()};
  QCOMPARE(o.port.WriteText(QByteArray()), 0);
  QVERIFY(o.pty.Write("z"));
  QTRY_COMPARE(o.port.PendingInputCount(), 1);
  QByteArray text = "x";
  QCOMPARE(o.port.ReadText(text, 0), 0);
  QCOMPARE(text, QByteArray());
  QCOMPARE(o.port.PendingInputCount(), 1);  // nothing was taken
  // On a closed port a zero-length read starts nothing, so it cannot fail either.
  o.port.ClosePort();
  QCOMPARE(o.port.ReadText(text, 0), 0);
}

void TestComPortIo::framesInOrder() {
  OpenPort o;
  const QByteArray first = QByteArray("G\x50\x01GX", 5);
  const QByteArray second = QByteArray(300, 'q');
  QCOMPARE(o.port.WriteText(first), 5);
  QCOMPARE(o.port.WriteText(second), 300);
  QCOMPARE(o.pty.Read(305), first + second);
}

void TestComPortIo::transferSteps() {
  OpenPort o{TComEvents()};
  TPortTransfer* t = nullptr;
  o.port.BeginTransfer(t);
  QVERIFY(t);
  QCOMPARE(o.port.WaitForTransfer(t), 0);  // never started: done at once
  QCOMPARE(o.port.StartWriteText("hello", t), 5);
  QCOMPARE(o.port.WaitForTransfer(t), 5);
  QCOMPARE(o.port.TransferErrorCode(t), 2u);
  QCOMPARE(o.pty.Read(5), QByteArray("hello"));

  QVERIFY(o.pty.Write("world"));
  QTRY_COMPARE(o.port.PendingInputCount(), 5);
  QByteArray text;
  QCOMPARE(o.port.StartReadText(text, 8, t), 5);
  QCOMPARE(text.size(), 8);  // sized to the request; the caller cuts it
  QCOMPARE(o.port.WaitForTransfer(t), 5);
  QCOMPARE(text.left(5), QByteArray("world"));
  QCOMPARE(o.port.TransferErrorCode(t), 3u);
  o.port.EndTransfer(t);
  QCOMPARE(t, nullptr);
}

void TestComPortIo::writeTimeoutReturnsWhatWentOut() {
  OpenPort o{TComEvents()};
  o.port.Timeouts().SetWriteTotalMultiplier(0);
  o.port.Timeouts().SetWriteTotalConstant(150);
  // Nobody reads the other side, so the terminal's queue fills and the write times out.
  const QByteArray big(1 << 20, 'w');
  QElapsedTimer clock;
  clock.start();
  const int written = o.port.WriteText(big);
  QVERIFY(clock.elapsed() >= 140);
  QVERIFY2(written > 0 && written < big.size(), qPrintable(QString::number(written)));
  // Exactly the reported bytes reached the other side.
  QCOMPARE(o.pty.Read(big.size(), 500).size(), written);
}

void TestComPortIo::laterWritesQueueBehind_data() { AddThreadRows(); }

void TestComPortIo::laterWritesQueueBehind() {
  QFETCH(bool, eventThread);
  OpenPort o{EventsFor(eventThread)};
  TPortTransfer big;
  QCOMPARE(o.port.StartWrite(Big.constData(), int(Big.size()), &big), 0);  // not taken whole
  // The peer makes room on the line while the big write still waits: the next write must not
  // take it.
  const QByteArray head = o.pty.Read(4096);
  PeerReader peer(o.pty);
  QCOMPARE(o.port.WriteText("BBBB"), 4);
  QCOMPARE(o.port.WaitForTransfer(&big), int(Big.size()));
  QTRY_COMPARE(head.size() + peer.Count(), Big.size() + 4);
  QCOMPARE(head + peer.Received(), Big + "BBBB");  // whole, and the later write last
}

void TestComPortIo::queuedWriteProgressesUnwaited_data() { AddThreadRows(); }

void TestComPortIo::queuedWriteProgressesUnwaited() {
  QFETCH(bool, eventThread);
  OpenPort o{EventsFor(eventThread)};
  int empties = 0;
  o.port.OnTxEmpty = [&](TCustomComPort*) { ++empties; };
  o.port.Timeouts().SetWriteTotalMultiplier(0);
  o.port.Timeouts().SetWriteTotalConstant(500);
  PeerReader peer(o.pty);
  QElapsedTimer clock;
  clock.start();
  TPortTransfer big;
  o.port.StartWrite(Big.constData(), int(Big.size()), &big);
  // Nobody waits for the write, yet it all goes out within its time-out; then the thread that
  // drove it sleeps, past the write's deadline too.
  QTRY_COMPARE_WITH_TIMEOUT(peer.Count(), int(Big.size()), 450);
  QTRY_VERIFY_WITH_TIMEOUT(EventThreadInEpoll(), 450 - clock.elapsed());
  const long sleeps = EventThreadSleeps();
  QTest::qWait(int(qMax<qint64>(0, 700 - clock.elapsed())));
  QCOMPARE(EventThreadSleeps(), sleeps);
  QCOMPARE(o.port.WaitForTransfer(&big), int(Big.size()));
  QCOMPARE(empties, eventThread ? 1 : 0);  // with no events asked for, no handler runs
}

void TestComPortIo::queuedWriteEndsAtItsOwnTimeout() {
  OpenPort o;
  o.port.Timeouts().SetWriteTotalMultiplier(0);
  o.port.Timeouts().SetWriteTotalConstant(300);
  TPortTransfer big, tail;
  o.port.StartWrite(Big.constData(), int(Big.size()), &big);
  o.port.Timeouts().SetWriteTotalConstant(10000);  // the tail's own, far longer time-out
  QCOMPARE(o.port.StartWriteText("X", &tail), 0);  // behind the big one
  // Past the big write's time-out, with the line still full: the thread sleeps meanwhile.
  const double cpuBefore = ProcessCpuMs();
  QTest::qWait(500);
  const double cpu = ProcessCpuMs() - cpuBefore;
  QVERIFY2(cpu < 50, qPrintable(QString("%1 ms CPU in 500 ms").arg(cpu)));
  // Once the peer reads, the tail follows what the big write got out, without being waited for.
  PeerReader peer(o.pty);
  QTRY_VERIFY(peer.Received().endsWith('X'));
  const int bigDone = o.port.WaitForTransfer(&big);
  QVERIFY2(bigDone > 0 && bigDone < Big.size(), qPrintable(QString::number(bigDone)));
  QCOMPARE(o.port.WaitForTransfer(&tail), 1);
  QCOMPARE(peer.Received(), Big.left(bigDone) + "X");
}

void TestComPortIo::cancelEndsQueuedWrites_data() { AddThreadRows(); }

void TestComPortIo::cancelEndsQueuedWrites() {
  QFETCH(bool, eventThread);
  OpenPort o{EventsFor(eventThread)};
  TPortTransfer big, tail;
  o.port.StartWrite(Big.constData(), int(Big.size()), &big);
  o.port.StartWriteText("tail", &tail);
  o.port.CancelTransfers();
  const int bigDone = o.port.WaitForTransfer(&big);  // at once, with what went out
  QVERIFY2(bigDone < Big.size(), qPrintable(QString::number(bigDone)));
  QCOMPARE(o.port.WaitForTransfer(&tail), 0);
  // The queue is empty again: the next write goes straight out.
  PeerReader peer(o.pty);
  QCOMPARE(o.port.WriteText("next"), 4);
  QTRY_COMPARE(peer.Count(), bigDone + 4);
  QCOMPARE(peer.Received(), Big.left(bigDone) + "next");
}

void TestComPortIo::cancelEndsWaitOnAnotherThread_data() { AddThreadRows(); }

void TestComPortIo::cancelEndsWaitOnAnotherThread() {
  QFETCH(bool, eventThread);
  OpenPort o{EventsFor(eventThread)};
  o.port.Timeouts().SetWriteTotalConstant(0);  // no time-out: only the cancel ends the wait
  o.port.Timeouts().SetWriteTotalMultiplier(0);
  std::atomic<bool> started = false;
  std::atomic<int> done = -1;
  std::thread writer([&] {
    TPortTransfer big;
    o.port.StartWrite(Big.constData(), int(Big.size()), &big);
    started = true;
    done = o.port.WaitForTransfer(&big);
  });
  QTRY_VERIFY(started);
  o.port.CancelTransfers();
  writer.join();
  QVERIFY2(done >= 0 && done < Big.size(), qPrintable(QString::number(done)));
  QCOMPARE(o.pty.Read(int(Big.size()), 500).size(), done.load());
}

// Read time-outs with their Win32 meaning; -1 is MAXDWORD.
void TestComPortIo::readTimeouts_data() {
  QTest::addColumn<int>("interval");
  QTest::addColumn<int>("multiplier");
  QTest::addColumn<int>("constant");
  QTest::addColumn<int>("count");
  QTest::addColumn<QByteArray>("waiting");   // there when the read starts
  QTest::addColumn<int>("arrivalMs");        // when `arriving` comes; -1: nothing comes
  QTest::addColumn<QByteArray>("arriving");
  QTest::addColumn<QByteArray>("expected");
  QTest::addColumn<int>("minMs");
  QTest::addColumn<int>("maxMs");
  QTest::newRow("default, nothing waiting: at once")
      << -1 << 0 << 0 << 10 << QByteArray() << 100 << QByteArray("late") << QByteArray() << 0 << 80;
  QTest::newRow("default, fewer waiting than asked: at once")
      << -1 << 0 << 0 << 10 << QByteArray("abc") << -1 << QByteArray() << QByteArray("abc") << 0 << 80;
  QTest::newRow("total constant, nothing comes: 0 bytes at the limit")
      << 0 << 0 << 400 << 10 << QByteArray() << -1 << QByteArray() << QByteArray() << 380 << 1200;
  QTest::newRow("total constant, the count comes: at once")
      << 0 << 0 << 3000 << 3 << QByteArray() << 100 << QByteArray("xyz") << QByteArray("xyz") << 80 << 1500;
  QTest::newRow("total multiplier, part comes: what came at the limit")
      << 0 << 100 << 0 << 5 << QByteArray() << 100 << QByteArray("abc") << QByteArray("abc") << 480 << 1300;
  QTest::newRow("interval after the first bytes")
      << 100 << 0 << 5000 << 10 << QByteArray() << 100 << QByteArray("ab") << QByteArray("ab") << 180 << 1500;
  QTest::newRow("first byte ends it, waiting")
      << -1 << -1 << 1000 << 10 << QByteArray() << 200 << QByteArray("q") << QByteArray("q") << 180 << 900;
  QTest::newRow("first byte ends it, bytes already waiting")
      << -1 << -1 << 1000 << 10 << QByteArray("wz") << 100 << QByteArray("late") << QByteArray("wz") << 0 << 80;
  QTest::newRow("first byte ends it, nothing comes")
      << -1 << -1 << 400 << 10 << QByteArray() << -1 << QByteArray() << QByteArray() << 380 << 1200;
  QTest::newRow("interval MAXDWORD with a total: waiting bytes end it")
      << -1 << 0 << 400 << 10 << QByteArray("wz") << 100 << QByteArray("late") << QByteArray("wz") << 0 << 80;
  QTest::newRow("interval MAXDWORD with a total: else the total")
      << -1 << 0 << 400 << 5 << QByteArray() << 100 << QByteArray("ab") << QByteArray("ab") << 380 << 1200;
}

void TestComPortIo::readTimeouts() {
  QFETCH(int, interval);
  QFETCH(int, multiplier);
  QFETCH(int, constant);
  QFETCH(int, count);
  QFETCH(QByteArray, waiting);
  QFETCH(int, arrivalMs);
  QFETCH(QByteArray, arriving);
  QFETCH(QByteArray, expected);
  QFETCH(int, minMs);
  QFETCH(int, maxMs);
  OpenPort o{TComEvents()};
  o.port.Timeouts().SetReadInterval(interval);
  o.port.Timeouts().SetReadTotalMultiplier(multiplier);
  o.port.Timeouts().SetReadTotalConstant(constant);
  if (!waiting.isEmpty()) {
    QVERIFY(o.pty.Write(waiting));
    QTRY_COMPARE(o.port.PendingInputCount(), int(waiting.size()));
  }
  std::optional<LaterArrival> later;
  if (arrivalMs >= 0) later.emplace(o.pty, arrivalMs, arriving);
  QByteArray text;
  std::atomic<int> n = -1;
  std::atomic<qint64> elapsed = 0;
  std::thread reader([&] {
    QElapsedTimer clock;
    clock.start();
    const int got = o.port.ReadText(text, count);
    elapsed = clock.elapsed();
    n = got;
  });
  // A read that outlives its limit by far is cut short: the test then fails instead of hanging.
  if (!QTest::qWaitFor([&] { return n >= 0; }, maxMs + 2000)) o.port.CancelTransfers();
  reader.join();
  QCOMPARE(text, expected);
  QCOMPARE(n.load(), int(expected.size()));
  QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString("%1 ms").arg(elapsed.load())));
}

void TestComPortIo::cancelEndsWaitingRead() {
  OpenPort o{TComEvents()};
  o.port.Timeouts().SetReadInterval(0);  // no time-outs at all: the read waits for its count
  QVERIFY(o.pty.Write("ab"));
  QTRY_COMPARE(o.port.PendingInputCount(), 2);
  std::atomic<int> got = -1;
  QByteArray text;
  std::thread reader([&] { got = o.port.ReadText(text, 10); });
  QTRY_COMPARE(o.port.PendingInputCount(), 0);  // the reader has them and waits for more
  o.port.CancelTransfers();
  reader.join();
  QCOMPARE(got.load(), 2);
  QCOMPARE(text, QByteArray("ab"));
}

void TestComPortIo::noModemLinesIsNoError() {
  // A pseudo-terminal has no modem lines: nothing to drive, nothing to read, and no counters.
  OpenPort o;
  o.port.SetDTRLine(true);
  o.port.SetRTSLine(true);
  o.port.SetDTRLine(false);
  QCOMPARE(o.port.ReadSignals(), TLineSignals());
  QCOMPARE(o.port.ReadLineErrors(), TComErrors());
  o.port.FlowControl().SetControlDTR(dtrEnable);  // re-applies the lines with the settings
  o.port.FlowControl().SetControlRTS(rtsEnable);
  QVERIFY(o.port.Connected());
  QCOMPARE(o.port.WriteText("ok"), 2);
  QCOMPARE(o.pty.Read(2), QByteArray("ok"));
}

// ---- failures

// A vanished device fails reads, writes and line calls at once, with an error that says so.
void TestComPortIo::vanishedDevice_data() {
  QTest::addColumn<PeerAction>("action");  // the peer vanishes in it
  QTest::addColumn<bool>("eventThread");
  QTest::addColumn<unsigned>("code");
  QTest::newRow("write") << PeerAction([](TComPort& p, PseudoTerminal& pty) {
    pty.CloseMaster();
    p.WriteText("x");
  }) << false << 2u;
  QTest::newRow("read, default time-outs") << PeerAction([](TComPort& p, PseudoTerminal& pty) {
    pty.CloseMaster();
    QByteArray t;
    p.ReadText(t, 4);
  }) << false << 3u;
  QTest::newRow("read waiting for more") << PeerAction([](TComPort& p, PseudoTerminal& pty) {
    p.Timeouts().SetReadInterval(0);  // waits for the count, without time-outs
    TPortTransfer read;
    char buffer[4];
    p.StartRead(buffer, 4, &read);
    pty.CloseMaster();
    p.WaitForTransfer(&read);
  }) << false << 3u;
  QTest::newRow("DTR") << PeerAction([](TComPort& p, PseudoTerminal& pty) {
    pty.CloseMaster();
    p.SetDTRLine(true);
  }) << false << 12u;
  QTest::newRow("input count") << PeerAction([](TComPort& p, PseudoTerminal& pty) {
    pty.CloseMaster();
    p.PendingInputCount();
  }) << false << 10u;
  for (bool thread : {false, true}) {
    QTest::newRow(thread ? "queued write, event thread" : "queued write, no event thread")
        << PeerAction([](TComPort& p, PseudoTerminal& pty) {
             p.Timeouts().SetWriteTotalConstant(0);  // no time-out: only the error ends it
             p.Timeouts().SetWriteTotalMultiplier(0);
             TPortTransfer big;
             p.StartWrite(Big.constData(), int(Big.size()), &big);
             pty.CloseMaster();
             p.WaitForTransfer(&big);
           })
        << thread << 2u;
  }
}

void TestComPortIo::vanishedDevice() {
  QFETCH(PeerAction, action);
  QFETCH(bool, eventThread);
  QFETCH(unsigned, code);
  int hangUpReports = 0;  // the event thread's own report
  TCustomComPort::SetApplicationExceptionHandler([&](const std::exception&) { ++hangUpReports; });
  const auto reset = qScopeGuard([] { TCustomComPort::SetApplicationExceptionHandler(nullptr); });
  OpenPort o{EventsFor(eventThread)};
  QElapsedTimer clock;
  clock.start();
  try {
    action(o.port, o.pty);
    QFAIL("no error raised");
  } catch (const EComPort& e) {
    QCOMPARE(e.ComError, code);
    QCOMPARE(e.OsError, EIO);
    QVERIFY(e.DeviceGone());
  }
  QVERIFY2(clock.elapsed() < 1000, qPrintable(QString("%1 ms").arg(clock.elapsed())));
  QTRY_COMPARE(hangUpReports, eventThread ? 1 : 0);
  QVERIFY(o.port.Connected());  // until its owner closes it
  o.port.ClosePort();
  QVERIFY(!o.port.Connected());
}

void TestComPortIo::errors_data() {
  QTest::addColumn<PortAction>("action");
  QTest::addColumn<unsigned>("code");
  QTest::addColumn<int>("osError");
  QTest::addColumn<QString>("message");
  QTest::addColumn<bool>("open");  // whether the port is open when the action runs

  QTest::newRow("open a missing port") << PortAction([](TComPort& p, const QByteArray&) {
    p.SetPort("/dev/velt-missing");
    p.OpenPort();
  }) << 1u << ENOENT << "Unable to open com port (Error: 2)" << false;
  QTest::newRow("open something that is not a terminal") << PortAction([](TComPort& p, const QByteArray&) {
    p.SetPort("/dev/null");
    p.OpenPort();
  }) << 7u << ENOTTY << "SetCommState function failed (Error: 25)" << false;
  QTest::newRow("write text on a closed port") << PortAction([](TComPort& p, const QByteArray&) {
    p.WriteText("x");
  }) << 24u << -1 << "Port Not Open" << false;
  QTest::newRow("read text on a closed port") << PortAction([](TComPort& p, const QByteArray&) {
    QByteArray t;
    p.ReadText(t, 4);
  }) << 24u << -1 << "Port Not Open" << false;
  QTest::newRow("read bytes on a closed port") << PortAction([](TComPort& p, const QByteArray&) {
    char b[4];
    p.ReadBytes(b, 4);
  }) << 24u << -1 << "Port Not Open" << false;
  QTest::newRow("start a write without a transfer") << PortAction([](TComPort& p, const QByteArray&) {
    p.StartWrite("x", 1, nullptr);
  }) << 4u << -1 << "Invalid Async parameter" << true;
  QTest::newRow("start a read without a transfer") << PortAction([](TComPort& p, const QByteArray&) {
    char b;
    p.StartRead(&b, 1, nullptr);
  }) << 4u << -1 << "Invalid Async parameter" << true;
  QTest::newRow("wait without a transfer") << PortAction([](TComPort& p, const QByteArray&) {
    p.WaitForTransfer(nullptr);
  }) << 4u << -1 << "Invalid Async parameter" << true;
  QTest::newRow("input count on a closed port") << PortAction([](TComPort& p, const QByteArray&) {
    p.PendingInputCount();
  }) << 10u << EBADF << "ClearCommError function failed (Error: 9)" << false;
  QTest::newRow("line errors on a closed port") << PortAction([](TComPort& p, const QByteArray&) {
    p.ReadLineErrors();
  }) << 10u << EBADF << "ClearCommError function failed (Error: 9)" << false;
  QTest::newRow("signals on a closed port") << PortAction([](TComPort& p, const QByteArray&) {
    p.ReadSignals();
  }) << 11u << EBADF << "GetCommModemStatus function failed (Error: 9)" << false;
  QTest::newRow("DTR on a closed port") << PortAction([](TComPort& p, const QByteArray&) {
    p.SetDTRLine(true);
  }) << 12u << EBADF << "EscapeCommFunction function failed (Error: 9)" << false;
  QTest::newRow("cancel on a closed port") << PortAction([](TComPort& p, const QByteArray&) {
    p.CancelTransfers();
  }) << 5u << EBADF << "PurgeComm function failed (Error: 9)" << false;
  QTest::newRow("custom speed 0") << PortAction([](TComPort& p, const QByteArray&) {
    p.SetCustomBaudRate(0);
    p.SetBaudRate(brCustom);
  }) << 7u << EINVAL << "SetCommState function failed (Error: 22)" << true;
}

void TestComPortIo::errors() {
  QFETCH(PortAction, action);
  QFETCH(unsigned, code);
  QFETCH(int, osError);
  QFETCH(QString, message);
  QFETCH(bool, open);
  PseudoTerminal pty;
  TComPort port;
  if (open) {
    port.SetPort(pty.SlavePath());
    port.OpenPort();
  }
  try {
    action(port, pty.SlavePath());
    QFAIL("no error raised");
  } catch (const EComPort& e) {
    QCOMPARE(e.ComError, code);
    QCOMPARE(e.OsError, osError);
    QCOMPARE(e.Message(), message);
    QVERIFY(!e.DeviceGone());
  }
  QCOMPARE(port.Connected(), open);
  QCOMPARE(port.PortHandle() >= 0, open);
}

void TestComPortIo::exceptionHandlerInsteadOfRaising() {
  struct Report {
    unsigned code;
    QString message;
    qint64 osError;
    QString osMessage;
  };
  QList<Report> reports;
  TComPort port;
  port.OnException = [&](TCustomComPort* sender, unsigned code, const QString& message,
                         qint64 osError, const QString& osMessage) {
    QCOMPARE(sender, &port);
    reports.append({code, message, osError, osMessage});
  };
  port.SetPort("/dev/velt-missing");
  port.OpenPort();  // no exception
  QVERIFY(!port.Connected());
  QCOMPARE(port.PortHandle(), -1);
  QCOMPARE(port.WriteText("abc"), 0);
  QByteArray text = "old";
  QCOMPARE(port.ReadText(text, 3), 0);
  QCOMPARE(text, QByteArray());
  QCOMPARE(reports.size(), 3);
  QCOMPARE(reports[0].code, 1u);
  QCOMPARE(reports[0].message, QString("Unable to open com port"));
  QCOMPARE(reports[0].osError, 2);
  QCOMPARE(reports[0].osMessage, QString::fromLocal8Bit(strerror(ENOENT)));
  for (int i : {1, 2}) {
    QCOMPARE(reports[i].code, 24u);
    QCOMPARE(reports[i].message, QString("Port Not Open"));
    QCOMPARE(reports[i].osError, -24);
    QCOMPARE(reports[i].osMessage, QString());
  }
}

QTEST_GUILESS_MAIN(TestComPortIo)
#include "tst_comport_io.moc"
