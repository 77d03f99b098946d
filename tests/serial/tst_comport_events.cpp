// The event thread of the serial port: what reaches the handlers, on which thread, how often,
// and that it neither spins nor locks when the UI thread is busy, closes, or the peer vanishes.
#include "comport.h"
#include "pseudo_terminal.h"

#include <QScopeGuard>
#include <QtTest>
#include <atomic>
#include <memory>
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

bool OnMainThread() { return QThread::currentThread() == QCoreApplication::instance()->thread(); }

// What reached the application's exception handler (or OnException), from any thread.
struct Reports {
  struct Report {
    unsigned code;
    int osError;
    QString message;
    bool deviceGone;
    bool onMainThread;
  };
  std::mutex mutex;
  QList<Report> list;

  void Add(Report r) {
    std::lock_guard lock(mutex);
    list.append(r);
  }
  QList<Report> All() {
    std::lock_guard lock(mutex);
    return list;
  }
  int Count() { return int(All().size()); }
};

// Installs the application exception handler for one test, recording into `reports`.
auto ApplicationHandlerInto(Reports& reports) {
  TCustomComPort::SetApplicationExceptionHandler([&reports](const std::exception& e) {
    const auto* port = dynamic_cast<const EComPort*>(&e);
    reports.Add({port ? port->ComError : 0u, port ? port->OsError : 0, QString::fromUtf8(e.what()),
                 port && port->DeviceGone(), OnMainThread()});
  });
  return qScopeGuard([] { TCustomComPort::SetApplicationExceptionHandler(nullptr); });
}

// Busy, not processing events, until `done` holds (or five seconds have passed).
template <typename Done>
bool BusyUntil(Done done) {
  QDeadlineTimer deadline(5000);
  while (!done() && !deadline.hasExpired()) QThread::msleep(5);
  return done();
}
}  // namespace

class TestComPortEvents : public QObject {
  Q_OBJECT
 private slots:
  void receiveByMethod_data();
  void receiveByMethod();
  void arrivalWakesOneThread_data();
  void arrivalWakesOneThread();
  void burstWhileBusyIsOneNotification_data();
  void burstWhileBusyIsOneNotification();
  void unreadBytesAreNotReportedAgain();
  void handOverRunsInsideWaitForMoreEvents();
  void closeWhileBatchWaits_data();
  void closeWhileBatchWaits();
  void closeInsideHandler_data();
  void closeInsideHandler();
  void closeEndsHandlerRead();
  void deviceVanishes_data();
  void deviceVanishes();
  void deviceVanishesWhileBusyThenClose();
  void handlerExceptionGoesOn_data();
  void handlerExceptionGoesOn();
  void reportsGoToTheOwningThread_data();
  void reportsGoToTheOwningThread();
  void noEventsNoThread();
  void receiveBufferWithoutRxChar();
  void txEmptyAfterWrite_data();
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

// A reply wakes one thread: the one its handler runs on.
void TestComPortEvents::arrivalWakesOneThread_data() { receiveByMethod_data(); }

void TestComPortEvents::arrivalWakesOneThread() {
  QFETCH(int, sync);
  QFETCH(bool, onMainThread);
  Fixture f{TSyncMethod(sync)};
  f.port.OpenPort();
  QTRY_VERIFY(EventThreadInEpoll());
  const long sleeps = EventThreadSleeps();
  QVERIFY(f.pty.Write("ping"));
  QTRY_COMPARE(f.received.Bytes(), QByteArray("ping"));
  QTRY_VERIFY(EventThreadInEpoll());
  QCOMPARE(EventThreadSleeps() > sleeps, !onMainThread);
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

void TestComPortEvents::closeWhileBatchWaits_data() {
  QTest::addColumn<bool>("handlerCloses");
  QTest::newRow("handler reads") << false;
  QTest::newRow("handler reads and closes too") << true;
}

void TestComPortEvents::closeWhileBatchWaits() {
  QFETCH(bool, handlerCloses);
  Fixture f;
  bool closing = false;
  bool ranDuringClose = false;
  bool openInHandler = false;
  int afterClose = 0;
  f.port.OnAfterClose = [&](TCustomComPort*) { ++afterClose; };
  f.port.OnRxChar = [&](TCustomComPort* p, int count) {
    ranDuringClose = closing;
    openInHandler = p->Connected();
    f.received.Take(p, count);
    if (handlerCloses) p->ClosePort();  // the close under way does it
  };
  f.port.OpenPort();
  QVERIFY(f.pty.Write("late"));
  // Busy until the bytes wait for the batch that announces them.
  QVERIFY(BusyUntil([&] { return f.port.PendingInputCount() == 4; }));
  closing = true;
  f.port.ClosePort();
  closing = false;
  QVERIFY(ranDuringClose);
  QVERIFY(openInHandler);
  QCOMPARE(f.received.Bytes(), QByteArray("late"));
  QVERIFY(!f.port.Connected());
  QCOMPARE(f.port.PortHandle(), -1);
  QCOMPARE(afterClose, 1);
}

void TestComPortEvents::closeInsideHandler_data() {
  QTest::addColumn<int>("sync");
  QTest::addColumn<bool>("bytesAtStart");  // already there when the event thread starts
  QTest::newRow("thread sync, handler waiting by processing events") << int(smThreadSync) << false;
  QTest::newRow("none, handler on the event thread") << int(smNone) << false;
  QTest::newRow("none, at once as the thread starts") << int(smNone) << true;
}

void TestComPortEvents::closeInsideHandler() {
  QFETCH(int, sync);
  QFETCH(bool, bytesAtStart);
  Fixture f{TSyncMethod(sync)};
  std::atomic<bool> closed = false;
  f.port.OnRxChar = [&](TCustomComPort* p, int count) {
    f.received.Take(p, count);
    if (QThread::currentThread() == QCoreApplication::instance()->thread()) QCoreApplication::processEvents();
    p->ClosePort();
    closed = true;
  };
  if (bytesAtStart) {
    f.port.OnAfterOpen = [&](TCustomComPort* p) {
      QVERIFY(f.pty.Write("bye"));
      QTRY_COMPARE(p->PendingInputCount(), 3);
    };
  }
  f.port.OpenPort();
  f.port.OnAfterOpen = nullptr;
  if (!bytesAtStart) QVERIFY(f.pty.Write("bye"));
  QTRY_VERIFY(closed);
  QVERIFY(!f.port.Connected());
  QCOMPARE(f.received.Bytes(), QByteArray("bye"));
  QTRY_COMPARE(EventThreadCount(), 0);
  f.port.OnRxChar = [&](TCustomComPort* p, int count) { f.received.Take(p, count); };
  f.port.OpenPort();  // and it opens again
  QVERIFY(f.pty.Write("hi"));
  QTRY_COMPARE(f.received.Bytes(), QByteArray("byehi"));
}

void TestComPortEvents::closeEndsHandlerRead() {
  Fixture f{smNone};
  f.port.Timeouts().SetReadInterval(0);  // a read waits for its whole count, without limit
  std::atomic<bool> inHandler = false;
  std::atomic<int> got = -1;
  f.port.OnRxChar = [&](TCustomComPort* p, int) {
    inHandler = true;
    QByteArray text;
    got = p->ReadText(text, 100);
  };
  f.port.OpenPort();
  QVERIFY(f.pty.Write("abc"));
  QTRY_VERIFY(inHandler);
  QTRY_COMPARE(f.port.PendingInputCount(), 0);  // the handler has them and waits for more
  QElapsedTimer clock;
  clock.start();
  f.port.ClosePort();
  QVERIFY2(clock.elapsed() < 1000, qPrintable(QString("%1 ms").arg(clock.elapsed())));
  QCOMPARE(got.load(), 3);
  QVERIFY(!f.port.Connected());
}

void TestComPortEvents::deviceVanishes_data() {
  QTest::addColumn<int>("sync");
  QTest::addColumn<bool>("onException");   // an OnException handler is assigned
  QTest::addColumn<bool>("reported");      // somebody hears of it
  QTest::newRow("thread sync") << int(smThreadSync) << false << true;
  QTest::newRow("window sync") << int(smWindowSync) << false << true;
  QTest::newRow("thread sync, OnException") << int(smThreadSync) << true << true;
  QTest::newRow("none, OnException") << int(smNone) << true << true;
  QTest::newRow("none, dropped") << int(smNone) << false << false;
}

void TestComPortEvents::deviceVanishes() {
  QFETCH(int, sync);
  QFETCH(bool, onException);
  QFETCH(bool, reported);
  Reports reports;
  const auto reset = ApplicationHandlerInto(reports);
  Fixture f{TSyncMethod(sync)};
  if (onException) {
    f.port.OnException = [&](TCustomComPort*, unsigned code, const QString& message, qint64 osError,
                             const QString&) {
      reports.Add({code, int(osError), message, osError == EIO, OnMainThread()});
    };
  }
  if (!reported) {
    QTest::ignoreMessage(QtWarningMsg, "Serial port event handler failed: WaitForEvent method failed (Error: 5)");
  }
  f.port.OpenPort();
  QTRY_COMPARE(EventThreadCount(), 1);
  f.pty.CloseMaster();
  QTRY_COMPARE(EventThreadCount(), 0);  // the thread has ended, after its last delivery
  QTRY_COMPARE(reports.Count(), reported ? 1 : 0);
  QCoreApplication::processEvents();
  QCOMPARE(reports.Count(), reported ? 1 : 0);  // exactly one
  if (reported) {
    const Reports::Report r = reports.All().first();
    QCOMPARE(r.code, 21u);
    QCOMPARE(r.osError, EIO);
    QCOMPARE(r.message, onException ? QString("WaitForEvent method failed")
                                    : QString("WaitForEvent method failed (Error: 5)"));
    QVERIFY(r.deviceGone);
    QCOMPARE(r.onMainThread, sync != smNone);
  }
  const double cpu = IdleCpuMs(300);
  QVERIFY2(cpu < 30, qPrintable(QString("%1 ms CPU in 300 ms").arg(cpu)));
  QCOMPARE(f.received.Calls(), 0);
  QVERIFY(f.port.Connected());  // until its owner closes it
  f.port.ClosePort();
  QVERIFY(!f.port.Connected());
  QCOMPARE(reports.Count(), reported ? 1 : 0);
}

void TestComPortEvents::deviceVanishesWhileBusyThenClose() {
  Reports reports;
  const auto reset = ApplicationHandlerInto(reports);
  Fixture f;
  f.port.OpenPort();
  QTRY_COMPARE(EventThreadCount(), 1);
  f.pty.CloseMaster();
  QVERIFY(BusyUntil([] { return EventThreadCount() == 0; }));  // the report waits for us
  f.port.ClosePort();  // the owner lets go of the port: the report is void
  QCoreApplication::processEvents();
  QCOMPARE(reports.Count(), 0);
  QVERIFY(!f.port.Connected());
}

void TestComPortEvents::handlerExceptionGoesOn_data() {
  QTest::addColumn<int>("sync");
  QTest::addColumn<bool>("comPortError");  // EComPort, else another exception
  QTest::addColumn<bool>("applicationHandler");
  QTest::addColumn<bool>("toApplication");  // else to the warning log
  QTest::newRow("thread sync, EComPort") << int(smThreadSync) << true << true << true;
  QTest::newRow("thread sync, other exception") << int(smThreadSync) << false << true << true;
  QTest::newRow("thread sync, no application handler") << int(smThreadSync) << true << false << false;
  QTest::newRow("window sync, EComPort") << int(smWindowSync) << true << true << true;
  QTest::newRow("none, on the event thread") << int(smNone) << true << true << false;
}

void TestComPortEvents::handlerExceptionGoesOn() {
  QFETCH(int, sync);
  QFETCH(bool, comPortError);
  QFETCH(bool, applicationHandler);
  QFETCH(bool, toApplication);
  Reports reports;
  const auto reset = ApplicationHandlerInto(reports);
  if (!applicationHandler) TCustomComPort::SetApplicationExceptionHandler(nullptr);
  const QString message = comPortError ? "ReadFile function failed (Error: 5)" : "handler failed";
  if (!toApplication) {
    QTest::ignoreMessage(QtWarningMsg, qPrintable("Serial port event handler failed: " + message));
  }
  Fixture f{TSyncMethod(sync)};
  f.port.OnRxChar = [&](TCustomComPort* p, int count) {
    f.received.Take(p, count);
    if (f.received.Calls() > 1) return;
    if (comPortError) throw EComPort(3, EIO, message);
    throw std::runtime_error("handler failed");
  };
  f.port.OpenPort();
  QVERIFY(f.pty.Write("a"));
  QTRY_COMPARE(f.received.Calls(), 1);
  QVERIFY(f.pty.Write("b"));  // the thread carries on
  QTRY_COMPARE(f.received.Bytes(), QByteArray("ab"));
  QCOMPARE(EventThreadCount(), 1);
  QCOMPARE(reports.Count(), toApplication ? 1 : 0);
  if (toApplication) {
    QCOMPARE(reports.All().first().message, message);
    QVERIFY(reports.All().first().onMainThread);
  }
}

void TestComPortEvents::reportsGoToTheOwningThread_data() {
  QTest::addColumn<int>("sync");
  QTest::newRow("thread sync") << int(smThreadSync);
  QTest::newRow("window sync") << int(smWindowSync);
}

// A port owned by a thread of its own reports to that thread's handler, even when another
// thread installed its handler later.
void TestComPortEvents::reportsGoToTheOwningThread() {
  QFETCH(int, sync);
  PseudoTerminal pty;
  std::atomic<int> ownerReports{0};
  std::atomic<bool> open{false};
  std::unique_ptr<QThread> owner(QThread::create([&] {
    TCustomComPort::SetApplicationExceptionHandler([&](const std::exception&) { ++ownerReports; });
    TComPort port;
    port.SetPort(pty.SlavePath());
    port.SetSyncMethod(TSyncMethod(sync));
    port.OpenPort();
    open = true;
    QElapsedTimer clock;
    clock.start();
    while (ownerReports == 0 && clock.elapsed() < 5000) {
      QCoreApplication::processEvents();
      QThread::msleep(5);
    }
    port.ClosePort();
    TCustomComPort::SetApplicationExceptionHandler(nullptr);
  }));
  owner->start();
  QTRY_VERIFY(open.load());
  Reports reports;
  const auto reset = ApplicationHandlerInto(reports);
  pty.CloseMaster();
  QVERIFY(owner->wait(10000));
  QCOMPARE(ownerReports.load(), 1);
  QCOMPARE(reports.Count(), 0);
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

void TestComPortEvents::txEmptyAfterWrite_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("taken at once") << QByteArray("abc");
  QTest::newRow("queued, driven by the event thread") << QByteArray(300000, 'w');
}

void TestComPortEvents::txEmptyAfterWrite() {
  QFETCH(QByteArray, bytes);
  Fixture f;
  int empties = 0;
  bool onMain = true;
  f.port.OnTxEmpty = [&](TCustomComPort*) {
    ++empties;
    onMain &= OnMainThread();
  };
  f.port.OpenPort();
  PeerReader peer(f.pty);
  TPortTransfer write;
  f.port.StartWriteText(bytes, &write);
  QTRY_COMPARE(empties, 1);
  QVERIFY(onMain);
  QCOMPARE(f.port.WaitForTransfer(&write), int(bytes.size()));
  QTRY_COMPARE(peer.Count(), int(bytes.size()));
  // A second report, had one been sent, would reach the UI thread before this notification.
  QVERIFY(f.pty.Write("x"));
  QTRY_COMPARE(f.received.Calls(), 1);
  QCOMPARE(empties, 1);
}

QTEST_GUILESS_MAIN(TestComPortEvents)
#include "tst_comport_events.moc"
