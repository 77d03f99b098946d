// The event thread of the serial port: what reaches the handlers, on which thread, how often,
// and that it neither spins nor locks when the UI thread is busy, closes, or the peer vanishes.
#include "comport.h"
#include "pseudo_terminal.h"

#include <QtTest>
#include <atomic>
#include <mutex>
#include <stdexcept>

namespace {
// What the receive handler saw; filled on whichever thread the handler runs.
struct Received {
  std::mutex mutex;
  QList<int> counts;
  QByteArray bytes;
  bool offMainThread = false;

  void Take(TCustomComPort* port, int count, bool read = true) {
    QByteArray text;
    if (read) port->ReadText(text, count);
    std::lock_guard lock(mutex);
    counts.append(count);
    bytes += text;
    offMainThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
  }
  int Calls() {
    std::lock_guard lock(mutex);
    return int(counts.size());
  }
  QByteArray Bytes() {
    std::lock_guard lock(mutex);
    return bytes;
  }
};

struct Fixture {
  PseudoTerminal pty;
  TComPort port;
  Received received;
  explicit Fixture(TSyncMethod sync = smThreadSync, bool readInHandler = true) {
    port.SetPort(pty.SlavePath());
    port.SetSyncMethod(sync);
    port.OnRxChar = [this, readInHandler](TCustomComPort* p, int count) {
      received.Take(p, count, readInHandler);
    };
  }
};

// CPU used by the whole process while the UI thread idles in its event loop for `ms`.
double IdleCpuMs(int ms) {
  const double before = ProcessCpuMs();
  QTest::qWait(ms);
  return ProcessCpuMs() - before;
}
}  // namespace

class TestComPortEvents : public QObject {
  Q_OBJECT
 private slots:
  void receiveByMethod_data();
  void receiveByMethod();
  void burstWhileBusyIsOneNotification_data();
  void burstWhileBusyIsOneNotification();
  void unreadBytesAreNotReportedAgain();
  void handOverRunsInsideWaitForMoreEvents();
  void closeWhileBatchWaits();
  void closeInsideHandler_data();
  void closeInsideHandler();
  void peerVanishes();
  void handlerExceptionEndsThread();
  void windowSyncExceptionGoesToApplication();
  void noEventsNoThread();
  void receiveBufferWithoutRxChar();
  void txEmptyAfterWrite();
};

void TestComPortEvents::receiveByMethod_data() {
  QTest::addColumn<int>("sync");
  QTest::addColumn<bool>("onMainThread");
  QTest::newRow("thread sync") << int(smThreadSync) << true;
  QTest::newRow("window sync") << int(smWindowSync) << true;
  QTest::newRow("none") << int(smNone) << false;
}

void TestComPortEvents::receiveByMethod() {
  QFETCH(int, sync);
  QFETCH(bool, onMainThread);
  Fixture f{TSyncMethod(sync)};
  f.port.OpenPort();
  QVERIFY(f.pty.Write("ping"));
  QTRY_COMPARE(f.received.Bytes(), QByteArray("ping"));
  QVERIFY(f.port.WriteText("pong") == 4);
  QCOMPARE(f.pty.Read(4), QByteArray("pong"));
  QVERIFY(f.pty.Write("again"));
  QTRY_COMPARE(f.received.Bytes(), QByteArray("pingagain"));
  QCOMPARE(f.received.offMainThread, !onMainThread);
  f.port.ClosePort();
  QVERIFY(!f.port.Connected());
}

void TestComPortEvents::burstWhileBusyIsOneNotification_data() {
  QTest::addColumn<int>("sync");
  QTest::newRow("thread sync") << int(smThreadSync);
  QTest::newRow("window sync") << int(smWindowSync);
}

void TestComPortEvents::burstWhileBusyIsOneNotification() {
  QFETCH(int, sync);
  Fixture f{TSyncMethod(sync)};
  f.port.OpenPort();
  // The UI thread is busy (not processing events) while three bytes come one by one.
  for (char c : {'a', 'b', 'c'}) {
    QVERIFY(f.pty.Write(QByteArray(1, c)));
    QThread::msleep(20);
  }
  QTRY_COMPARE(f.received.Calls(), 1);
  QCOMPARE(f.received.counts.first(), 3);
  QCOMPARE(f.received.Bytes(), QByteArray("abc"));
  // Batches that found the bytes already read raised nothing: the next byte is the second call.
  QVERIFY(f.pty.Write("d"));
  QTRY_COMPARE(f.received.Calls(), 2);
  QCOMPARE(f.received.counts, QList<int>({3, 1}));
}

void TestComPortEvents::unreadBytesAreNotReportedAgain() {
  Fixture f(smThreadSync, /*readInHandler=*/false);
  f.port.OpenPort();
  QVERIFY(f.pty.Write("abc"));
  QTRY_COMPARE(f.received.Calls(), 1);
  // The bytes stay unread: no repeated notification and no spinning thread.
  const double cpu = IdleCpuMs(300);
  QVERIFY2(cpu < 30, qPrintable(QString("%1 ms CPU in 300 ms").arg(cpu)));
  QCOMPARE(f.received.Calls(), 1);
  // A new arrival is reported, with everything now waiting.
  QVERIFY(f.pty.Write("de"));
  QTRY_COMPARE(f.received.Calls(), 2);
  QCOMPARE(f.received.counts, QList<int>({3, 5}));
}

void TestComPortEvents::handOverRunsInsideWaitForMoreEvents() {
  Fixture f;
  f.port.OpenPort();
  QVERIFY(f.pty.Write("x"));
  QTimer watchdog;  // wakes the wait should nothing else come
  watchdog.setSingleShot(true);
  watchdog.start(5000);
  while (f.received.Calls() == 0 && watchdog.isActive()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  QVERIFY(watchdog.isActive());
  QCOMPARE(f.received.Bytes(), QByteArray("x"));
}

void TestComPortEvents::closeWhileBatchWaits() {
  Fixture f;
  bool closing = false;
  bool ranDuringClose = false;
  bool openInHandler = false;
  f.port.OnRxChar = [&](TCustomComPort* p, int count) {
    ranDuringClose = closing;
    openInHandler = p->Connected();
    f.received.Take(p, count);
  };
  f.port.OpenPort();
  QTRY_VERIFY(EventThreadInEpoll());
  const long sleeps = EventThreadSleeps();
  QVERIFY(f.pty.Write("late"));
  // Busy, not processing events, until the thread has woken, handed the batch over and gone
  // back to sleep.
  const auto handedOver = [&] { return EventThreadSleeps() > sleeps && EventThreadInEpoll(); };
  QDeadlineTimer deadline(5000);
  while (!handedOver() && !deadline.hasExpired()) QThread::msleep(5);
  QVERIFY(handedOver());
  closing = true;
  f.port.ClosePort();
  closing = false;
  QVERIFY(ranDuringClose);
  QVERIFY(openInHandler);
  QCOMPARE(f.received.Bytes(), QByteArray("late"));
  QVERIFY(!f.port.Connected());
  QCOMPARE(f.port.PortHandle(), -1);
}

void TestComPortEvents::closeInsideHandler_data() {
  QTest::addColumn<int>("sync");
  QTest::newRow("thread sync, handler waiting by processing events") << int(smThreadSync);
  QTest::newRow("none, handler on the event thread") << int(smNone);
}

void TestComPortEvents::closeInsideHandler() {
  QFETCH(int, sync);
  Fixture f{TSyncMethod(sync)};
  std::atomic<bool> closed = false;
  f.port.OnRxChar = [&](TCustomComPort* p, int count) {
    f.received.Take(p, count);
    if (QThread::currentThread() == QCoreApplication::instance()->thread()) QCoreApplication::processEvents();
    p->ClosePort();
    closed = true;
  };
  f.port.OpenPort();
  QVERIFY(f.pty.Write("bye"));
  QTRY_VERIFY(closed);
  QVERIFY(!f.port.Connected());
  QCOMPARE(f.received.Bytes(), QByteArray("bye"));
  QTRY_COMPARE(EventThreadCount(), 0);
  f.port.OnRxChar = [&](TCustomComPort* p, int count) { f.received.Take(p, count); };
  f.port.OpenPort();  // and it opens again
  QVERIFY(f.pty.Write("hi"));
  QTRY_COMPARE(f.received.Bytes(), QByteArray("byehi"));
}

void TestComPortEvents::peerVanishes() {
  Fixture f;
  f.port.OpenPort();
  QTRY_COMPARE(EventThreadCount(), 1);
  f.pty.CloseMaster();
  QTRY_COMPARE(EventThreadCount(), 0);  // the event thread has ended
  const double cpu = IdleCpuMs(300);
  QVERIFY2(cpu < 30, qPrintable(QString("%1 ms CPU in 300 ms").arg(cpu)));
  QCOMPARE(f.received.Calls(), 0);
  f.port.ClosePort();
  QVERIFY(!f.port.Connected());
}

void TestComPortEvents::handlerExceptionEndsThread() {
  Fixture f;
  int calls = 0;
  f.port.OnRxChar = [&](TCustomComPort*, int) {
    ++calls;
    throw std::runtime_error("handler failed");
  };
  f.port.OpenPort();
  QVERIFY(f.pty.Write("1"));
  QTRY_COMPARE(calls, 1);
  QTRY_COMPARE(EventThreadCount(), 0);  // ended quietly, the program lives on
  QVERIFY(f.pty.Write("2"));
  QTest::qWait(200);  // margin for a delivery that must not come
  QCOMPARE(calls, 1);
  f.port.ClosePort();
  QVERIFY(!f.port.Connected());
  // A new open has a new thread that delivers again.
  f.port.OnRxChar = [&](TCustomComPort* p, int count) { f.received.Take(p, count); };
  f.port.OpenPort();
  QVERIFY(f.pty.Write("3"));
  // Bytes from before the open are not this session's: only the new one arrives.
  QTRY_COMPARE(f.received.Bytes(), QByteArray("3"));
}

void TestComPortEvents::windowSyncExceptionGoesToApplication() {
  QStringList reported;
  TCustomComPort::SetApplicationExceptionHandler(
      [&](const std::exception& e) { reported << QString::fromUtf8(e.what()); });
  Fixture f(smWindowSync);
  f.port.OnRxChar = [&](TCustomComPort* p, int count) {
    f.received.Take(p, count);
    throw EComPort(3, 5, "ReadFile function failed (Error: 5)");
  };
  f.port.OpenPort();
  QVERIFY(f.pty.Write("a"));
  QTRY_COMPARE(reported.size(), 1);
  QCOMPARE(reported.first(), QString("ReadFile function failed (Error: 5)"));
  QVERIFY(f.pty.Write("b"));  // the thread carries on
  QTRY_COMPARE(f.received.Bytes(), QByteArray("ab"));
  TCustomComPort::SetApplicationExceptionHandler(nullptr);
}

void TestComPortEvents::noEventsNoThread() {
  Fixture f;
  f.port.SetEvents({});
  f.port.OpenPort();
  QTRY_COMPARE(EventThreadCount(), 0);
  QVERIFY(f.pty.Write("quiet"));
  QTRY_COMPARE(f.port.PendingInputCount(), 5);
  QByteArray text;
  QCOMPARE(f.port.ReadText(text, 5), 5);
  QCOMPARE(text, QByteArray("quiet"));
  QCOMPARE(f.received.Calls(), 0);
}

void TestComPortEvents::receiveBufferWithoutRxChar() {
  Fixture f;
  QByteArray offered;
  f.port.SetTriggersOnRxChar(false);
  f.port.OnRxBuf = [&](TCustomComPort*, const char* buffer, int count) {
    offered.append(buffer, count);
  };
  f.port.OpenPort();
  QVERIFY(f.pty.Write("hello"));
  QTRY_COMPARE(offered, QByteArray("hello"));
  QVERIFY(f.pty.Write(" world"));
  QTRY_COMPARE(offered, QByteArray("hello world"));
  QCOMPARE(f.received.Calls(), 0);
  QCOMPARE(f.port.PendingInputCount(), 0);
}

void TestComPortEvents::txEmptyAfterWrite() {
  Fixture f;
  int empties = 0;
  bool onMain = true;
  f.port.OnTxEmpty = [&](TCustomComPort*) {
    ++empties;
    onMain &= QThread::currentThread() == QCoreApplication::instance()->thread();
  };
  f.port.OpenPort();
  QCOMPARE(f.port.WriteText("abc"), 3);
  QTRY_COMPARE(empties, 1);
  QVERIFY(onMain);
  QCOMPARE(f.pty.Read(3), QByteArray("abc"));
}

QTEST_GUILESS_MAIN(TestComPortEvents)
#include "tst_comport_events.moc"
