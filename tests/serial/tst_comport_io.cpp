// Reading and writing through the serial port, and how its failures are reported.
#include "comport.h"
#include "pseudo_terminal.h"

#include <QtTest>
#include <cerrno>
#include <functional>

using PortAction = std::function<void(TComPort&, const QByteArray& ptyPath)>;
Q_DECLARE_METATYPE(PortAction)

class TestComPortIo : public QObject {
  Q_OBJECT
 private slots:
  void bytesBothWays();
  void readTakesWhatIsWaiting();
  void emptyTransfers();
  void framesInOrder();
  void transferSteps();
  void writeTimeoutReturnsWhatWentOut();
  void noModemLinesIsNoError();
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
