// Settings of the serial port: text forms, property writes, their translation into the
// driver's line settings, open and close with exclusive access.
#include "comport.h"
#include "line_state.h"
#include "termios_line.h"
#include "pseudo_terminal.h"

#include <QtTest>
#include <fcntl.h>
#include <functional>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

using PortAction = std::function<void(TComPort&)>;
Q_DECLARE_METATYPE(PortAction)

class TestComPortSettings : public QObject {
  Q_OBJECT
 private slots:
  void textForms_data();
  void textForms();
  void textFormsRoundTrip();
  void flowControlSummary_data();
  void flowControlSummary();
  void flowControlWriteKeepsOthers();
  void bufferSizes_data();
  void bufferSizes();
  void translation_data();
  void translation();
  void lineSettings_data();
  void lineSettings();
  void rawModeAtOpen();
  void syncMethodWhileOpen();
  void portChangeReopens();
  void notificationOrder();
  void exclusiveAccess();
  void openFailureLeavesClosed();
};

// ---- text forms

void TestComPortSettings::textForms_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("text");
  QTest::addColumn<int>("ordinal");
  QTest::newRow("baud 1200") << "baud" << "1200" << int(br1200);
  QTest::newRow("baud custom lower case") << "baud" << "custom" << int(brCustom);
  QTest::newRow("baud 256000") << "baud" << "256000" << int(br256000);
  QTest::newRow("baud trailing blank falls back") << "baud" << "1200 " << int(br9600);
  QTest::newRow("baud unknown falls back") << "baud" << "31250" << int(br9600);
  QTest::newRow("baud empty falls back") << "baud" << "" << int(br9600);
  QTest::newRow("stop 1.5") << "stop" << "1.5" << int(sbOne5StopBits);
  QTest::newRow("stop 2") << "stop" << "2" << int(sbTwoStopBits);
  QTest::newRow("stop unknown falls back") << "stop" << "3" << int(sbOneStopBit);
  QTest::newRow("data 5") << "data" << "5" << int(dbFive);
  QTest::newRow("data unknown falls back") << "data" << "9" << int(dbEight);
  QTest::newRow("parity none any case") << "parity" << "nOnE" << int(prNone);
  QTest::newRow("parity SPACE") << "parity" << "SPACE" << int(prSpace);
  QTest::newRow("parity mark") << "parity" << "mark" << int(prMark);
  QTest::newRow("parity unknown falls back") << "parity" << "Odd parity" << int(prNone);
  QTest::newRow("flow hardware") << "flow" << "hardware" << int(fcHardware);
  QTest::newRow("flow None") << "flow" << "None" << int(fcNone);
  QTest::newRow("flow custom any case") << "flow" << "cUSTOM" << int(fcCustom);
  QTest::newRow("flow unknown falls back") << "flow" << "RTS/CTS" << int(fcCustom);
}

void TestComPortSettings::textForms() {
  QFETCH(QString, kind);
  QFETCH(QString, text);
  QFETCH(int, ordinal);
  int value = -1;
  if (kind == "baud") value = BaudRateFromText(text);
  if (kind == "stop") value = StopBitsFromText(text);
  if (kind == "data") value = DataBitsFromText(text);
  if (kind == "parity") value = ParityFromText(text);
  if (kind == "flow") value = FlowControlFromText(text);
  QCOMPARE(value, ordinal);
}

void TestComPortSettings::textFormsRoundTrip() {
  const QStringList baud = {"Custom", "110",   "300",   "600",   "1200",  "2400",   "4800",   "9600",
                            "14400",  "19200", "38400", "56000", "57600", "115200", "128000", "256000"};
  for (int i = 0; i < baud.size(); ++i) {
    QCOMPARE(BaudRateText(TBaudRate(i)), baud[i]);
    QCOMPARE(BaudRateFromText(baud[i]), TBaudRate(i));
  }
  const QStringList stop = {"1", "1.5", "2"};
  for (int i = 0; i < stop.size(); ++i) {
    QCOMPARE(StopBitsText(TStopBits(i)), stop[i]);
    QCOMPARE(StopBitsFromText(stop[i]), TStopBits(i));
  }
  const QStringList data = {"5", "6", "7", "8"};
  for (int i = 0; i < data.size(); ++i) {
    QCOMPARE(DataBitsText(TDataBits(i)), data[i]);
    QCOMPARE(DataBitsFromText(data[i]), TDataBits(i));
  }
  const QStringList parity = {"None", "Odd", "Even", "Mark", "Space"};
  for (int i = 0; i < parity.size(); ++i) {
    QCOMPARE(ParityText(TParityBits(i)), parity[i]);
    QCOMPARE(ParityFromText(parity[i]), TParityBits(i));
  }
  const QStringList flow = {"Hardware", "Software", "None", "Custom"};
  for (int i = 0; i < flow.size(); ++i) {
    QCOMPARE(FlowControlText(TFlowControl(i)), flow[i]);
    QCOMPARE(FlowControlFromText(flow[i]), TFlowControl(i));
  }
}

// ---- settings objects

void TestComPortSettings::flowControlSummary_data() {
  QTest::addColumn<int>("rts");
  QTest::addColumn<bool>("cts");
  QTest::addColumn<bool>("xonIn");
  QTest::addColumn<bool>("xonOut");
  QTest::addColumn<int>("summary");
  QTest::newRow("defaults") << int(rtsDisable) << false << false << false << int(fcNone);
  QTest::newRow("hardware") << int(rtsHandshake) << true << false << false << int(fcHardware);
  QTest::newRow("hardware without CTS") << int(rtsHandshake) << false << false << false << int(fcCustom);
  QTest::newRow("hardware plus xon") << int(rtsHandshake) << true << true << false << int(fcCustom);
  QTest::newRow("software") << int(rtsDisable) << false << true << true << int(fcSoftware);
  QTest::newRow("software one way") << int(rtsDisable) << false << false << true << int(fcCustom);
  QTest::newRow("RTS enabled") << int(rtsEnable) << false << false << false << int(fcCustom);
  QTest::newRow("CTS alone") << int(rtsDisable) << true << false << false << int(fcCustom);
}

void TestComPortSettings::flowControlSummary() {
  QFETCH(int, rts);
  QFETCH(bool, cts);
  QFETCH(bool, xonIn);
  QFETCH(bool, xonOut);
  QFETCH(int, summary);
  TComPort port;
  port.FlowControl().SetControlRTS(TRTSFlowControl(rts));
  port.FlowControl().SetOutCTSFlow(cts);
  port.FlowControl().SetXonXoffIn(xonIn);
  port.FlowControl().SetXonXoffOut(xonOut);
  QCOMPARE(int(port.FlowControl().FlowControl()), summary);
  if (summary != fcCustom) {
    // Writing the summary back on defaults gives the same four fields.
    TComPort other;
    other.FlowControl().SetFlowControl(TFlowControl(summary));
    QCOMPARE(int(other.FlowControl().ControlRTS()), rts);
    QCOMPARE(other.FlowControl().OutCTSFlow(), cts);
    QCOMPARE(other.FlowControl().XonXoffIn(), xonIn);
    QCOMPARE(other.FlowControl().XonXoffOut(), xonOut);
  }
}

void TestComPortSettings::flowControlWriteKeepsOthers() {
  TComPort port;
  port.FlowControl().SetControlDTR(dtrEnable);
  port.FlowControl().SetOutDSRFlow(true);
  port.FlowControl().SetFlowControl(fcHardware);
  port.FlowControl().SetFlowControl(fcNone);
  QCOMPARE(port.FlowControl().ControlRTS(), rtsDisable);
  QVERIFY(!port.FlowControl().OutCTSFlow());
  QCOMPARE(port.FlowControl().ControlDTR(), dtrEnable);
  QVERIFY(port.FlowControl().OutDSRFlow());
  port.FlowControl().SetFlowControl(fcSoftware);
  port.FlowControl().SetFlowControl(fcCustom);  // changes nothing
  QCOMPARE(port.FlowControl().FlowControl(), fcSoftware);
}

void TestComPortSettings::bufferSizes_data() {
  QTest::addColumn<int>("written");
  QTest::addColumn<int>("stored");
  QTest::newRow("odd stored one less") << 1025 << 1024;
  QTest::newRow("even kept") << 4096 << 4096;
  QTest::newRow("one becomes zero") << 1 << 0;
  QTest::newRow("negative odd kept") << -3 << -3;
}

void TestComPortSettings::bufferSizes() {
  QFETCH(int, written);
  QFETCH(int, stored);
  TComPort port;
  port.Buffer().SetInputSize(written);
  port.Buffer().SetOutputSize(written);
  QCOMPARE(port.Buffer().InputSize(), stored);
  QCOMPARE(port.Buffer().OutputSize(), stored);
}

// ---- line settings in the driver

namespace {
constexpr unsigned Bother = 0010000;  // termios2's "speed in c_ospeed"
}

void TestComPortSettings::translation_data() {
  QTest::addColumn<int>("dataBits");
  QTest::addColumn<int>("parity");
  QTest::addColumn<int>("speed");
  QTest::addColumn<unsigned>("cflag");  // under CBAUD | CSIZE | PARENB | PARODD | CMSPAR
  QTest::newRow("8N1 9600") << 8 << int(prNone) << 9600 << unsigned(B9600 | CS8);
  QTest::newRow("7E 1200") << 7 << int(prEven) << 1200 << unsigned(B1200 | CS7 | PARENB);
  QTest::newRow("6O 115200") << 6 << int(prOdd) << 115200 << unsigned(B115200 | CS6 | PARENB | PARODD);
  QTest::newRow("5 mark 14400") << 5 << int(prMark) << 14400 << unsigned(Bother | CS5 | PARENB | PARODD | CMSPAR);
  QTest::newRow("8 space 31250") << 8 << int(prSpace) << 31250 << unsigned(Bother | CS8 | PARENB | CMSPAR);
}

void TestComPortSettings::translation() {
  QFETCH(int, dataBits);
  QFETCH(int, parity);
  QFETCH(int, speed);
  QFETCH(unsigned, cflag);
  TermiosLine::Settings s;
  s.dataBits = dataBits;
  s.parity = TParityBits(parity);
  s.speed = speed;
  unsigned c = ~0u, i = ~0u;  // every bit the translation owns must be set or cleared by it
  TermiosLine::Translate(s, c, i);
  QCOMPARE(c & (CBAUD | CSIZE | PARENB | PARODD | CMSPAR), cflag);
  QCOMPARE(c & (CSTOPB | CRTSCTS | CLOCAL | CREAD), unsigned(CLOCAL | CREAD));
  QCOMPARE(i & (INPCK | IXON | IXOFF | ICRNL | ISTRIP | IGNBRK | BRKINT | PARMRK), 0u);
}

void TestComPortSettings::lineSettings_data() {
  QTest::addColumn<PortAction>("change");
  QTest::addColumn<PortAction>("expect");  // sees the port; checks the driver state
  QTest::addColumn<bool>("whileOpen");

  struct Row {
    const char* name;
    PortAction change;
    std::function<void(const LineState&)> check;
  };
  const QList<Row> rows = {
      {"1200 bit/s", [](TComPort& p) { p.SetBaudRate(br1200); },
       [](const LineState& s) {
         QCOMPARE(s.speed, 1200);
         QCOMPARE(s.cflag & CBAUD, unsigned(B1200));
       }},
      {"14400 bit/s (not a termios rate)", [](TComPort& p) { p.SetBaudRate(br14400); },
       [](const LineState& s) { QCOMPARE(s.speed, 14400); }},
      {"custom 31250 bit/s",
       [](TComPort& p) {
         p.SetCustomBaudRate(31250);
         p.SetBaudRate(brCustom);
       },
       [](const LineState& s) { QCOMPARE(s.speed, 31250); }},
      // A pseudo-terminal keeps neither the character size nor parity enable (see
      // translation for those), but it keeps the parity kind.
      {"odd parity", [](TComPort& p) { p.Parity().SetBits(prOdd); },
       [](const LineState& s) { QCOMPARE(s.cflag & (PARODD | CMSPAR), unsigned(PARODD)); }},
      {"even parity checked", [](TComPort& p) {
         p.Parity().SetBits(prEven);
         p.Parity().SetCheck(true);
       },
       [](const LineState& s) {
         QCOMPARE(s.cflag & (PARODD | CMSPAR), 0u);
         QVERIFY(s.iflag & INPCK);
       }},
      {"mark parity", [](TComPort& p) { p.Parity().SetBits(prMark); },
       [](const LineState& s) { QCOMPARE(s.cflag & (PARODD | CMSPAR), unsigned(PARODD | CMSPAR)); }},
      {"space parity", [](TComPort& p) { p.Parity().SetBits(prSpace); },
       [](const LineState& s) { QCOMPARE(s.cflag & (PARODD | CMSPAR), unsigned(CMSPAR)); }},
      {"two stop bits", [](TComPort& p) { p.SetStopBits(sbTwoStopBits); },
       [](const LineState& s) { QVERIFY(s.cflag & CSTOPB); }},
      {"one and a half stop bits", [](TComPort& p) { p.SetStopBits(sbOne5StopBits); },
       [](const LineState& s) { QVERIFY(s.cflag & CSTOPB); }},
      {"hardware flow", [](TComPort& p) { p.FlowControl().SetFlowControl(fcHardware); },
       [](const LineState& s) {
         QVERIFY(s.cflag & CRTSCTS);
         QVERIFY(!(s.iflag & (IXON | IXOFF)));
       }},
      {"software flow with own characters",
       [](TComPort& p) {
         p.FlowControl().SetXonChar('A');
         p.FlowControl().SetXoffChar('B');
         p.FlowControl().SetFlowControl(fcSoftware);
       },
       [](const LineState& s) {
         QCOMPARE(s.iflag & (IXON | IXOFF), unsigned(IXON | IXOFF));
         QVERIFY(!(s.cflag & CRTSCTS));
         QCOMPARE(s.vstart, 'A');
         QCOMPARE(s.vstop, 'B');
       }},
      {"XON/XOFF out only", [](TComPort& p) { p.FlowControl().SetXonXoffOut(true); },
       [](const LineState& s) { QCOMPARE(s.iflag & (IXON | IXOFF), unsigned(IXON)); }},
      {"hardware then none", [](TComPort& p) {
         p.FlowControl().SetFlowControl(fcHardware);
         p.FlowControl().SetFlowControl(fcNone);
       },
       [](const LineState& s) { QVERIFY(!(s.cflag & CRTSCTS)); }},
  };
  for (const Row& row : rows) {
    for (bool open : {false, true}) {
      auto check = row.check;
      PortAction expect = [check](TComPort& p) {
        LineState s;
        QVERIFY(ReadLineState(p.PortHandle(), s));
        check(s);
      };
      QTest::newRow(qPrintable(QString("%1, %2").arg(row.name, open ? "while open" : "before open")))
          << row.change << expect << open;
    }
  }
}

void TestComPortSettings::lineSettings() {
  QFETCH(PortAction, change);
  QFETCH(PortAction, expect);
  QFETCH(bool, whileOpen);
  PseudoTerminal pty;
  TComPort port;
  port.SetPort(pty.SlavePath());
  if (whileOpen) {
    port.OpenPort();
    change(port);
  } else {
    change(port);
    QCOMPARE(port.PortHandle(), -1);
    port.OpenPort();
  }
  expect(port);
}

void TestComPortSettings::rawModeAtOpen() {
  PseudoTerminal pty;
  TComPort port;
  port.SetPort(pty.SlavePath());
  port.OpenPort();
  LineState s;
  QVERIFY(ReadLineState(port.PortHandle(), s));
  QCOMPARE(s.speed, 9600);
  QCOMPARE(s.cflag & CSIZE, unsigned(CS8));
  QCOMPARE(s.cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  QCOMPARE(s.cflag & (CLOCAL | CREAD), unsigned(CLOCAL | CREAD));
  QCOMPARE(s.lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  QCOMPARE(s.iflag & (ICRNL | INLCR | IGNCR | IXON | IXOFF | ISTRIP), 0u);
  QCOMPARE(s.oflag & OPOST, 0u);
  QCOMPARE(s.vmin, 0);
  QCOMPARE(s.vtime, 0);
  QVERIFY(s.nonBlocking);
  QVERIFY(s.exclusive);
}

void TestComPortSettings::syncMethodWhileOpen() {
  PseudoTerminal pty;
  TComPort port;
  port.SetPort(pty.SlavePath());
  port.SetSyncMethod(smNone);  // closed: stored
  QCOMPARE(port.SyncMethod(), smNone);
  port.SetSyncMethod(smThreadSync);
  port.OpenPort();
  port.SetSyncMethod(smThreadSync);  // equal: nothing
  try {
    port.SetSyncMethod(smWindowSync);
    QFAIL("no error raised");
  } catch (const EComPort& e) {
    QCOMPARE(e.ComError, 14u);
    QCOMPARE(e.OsError, -1);
    QCOMPARE(e.Message(), QString("Cannot set property while connected"));
  }
  QCOMPARE(port.SyncMethod(), smThreadSync);
}

void TestComPortSettings::portChangeReopens() {
  PseudoTerminal first, second;
  TComPort port;
  QStringList log;
  port.OnBeforeOpen = [&](TCustomComPort*) { log << "before open"; };
  port.OnAfterClose = [&](TCustomComPort*) { log << "after close"; };
  port.SetPort(first.SlavePath());
  port.OpenPort();
  log.clear();
  port.SetPort(first.SlavePath());
  QVERIFY(log.isEmpty());
  port.SetPort(second.SlavePath());
  QCOMPARE(log, QStringList({"after close", "before open"}));
  QVERIFY(port.Connected());
  // The port now talks over the second terminal.
  QCOMPARE(port.WriteText("x"), 1);
  QCOMPARE(second.Read(1), QByteArray("x"));
  // A name that cannot be opened leaves the port closed.
  QVERIFY_THROWS_EXCEPTION(EComPort, port.SetPort("/dev/velt-no-such-port"));
  QVERIFY(!port.Connected());
  QCOMPARE(port.PortHandle(), -1);
}

void TestComPortSettings::notificationOrder() {
  PseudoTerminal pty;
  TComPort port;
  QStringList log;
  port.OnBeforeOpen = [&](TCustomComPort*) { log << "before open"; };
  port.OnAfterOpen = [&](TCustomComPort* p) { log << (p->Connected() ? "after open" : "after open, closed"); };
  port.OnBeforeClose = [&](TCustomComPort* p) { log << (p->Connected() ? "before close" : "before close, closed"); };
  port.OnAfterClose = [&](TCustomComPort* p) { log << (p->Connected() ? "after close, open" : "after close"); };
  port.OnCTSChange = [&](TCustomComPort*, bool on) { log << QString("CTS %1").arg(on); };
  port.OnDSRChange = [&](TCustomComPort*, bool on) { log << QString("DSR %1").arg(on); };
  port.OnRLSDChange = [&](TCustomComPort*, bool on) { log << QString("RLSD %1").arg(on); };
  port.SetPort(pty.SlavePath());
  port.SetConnected(true);
  port.SetConnected(true);
  port.SetConnected(false);
  port.ClosePort();
  QCOMPARE(log, QStringList({"before open", "after open", "CTS 0", "DSR 0", "RLSD 0", "CTS 0",
                             "DSR 0", "RLSD 0", "before close", "after close"}));
}

void TestComPortSettings::exclusiveAccess() {
  PseudoTerminal pty;
  TComPort first, second;
  first.SetPort(pty.SlavePath());
  second.SetPort(pty.SlavePath());
  first.OpenPort();
  try {
    second.OpenPort();
    QFAIL("a second open of one port succeeded");
  } catch (const EComPort& e) {
    QCOMPARE(e.ComError, 1u);
    QCOMPARE(e.OsError, EBUSY);
    QCOMPARE(e.Message(), QString("Unable to open com port (Error: %1)").arg(EBUSY));
  }
  QVERIFY(!second.Connected());
  QVERIFY(first.Connected());
  // The refused opener left the holder's exclusive flag alone.
  LineState s;
  QVERIFY(ReadLineState(first.PortHandle(), s));
  QVERIFY(s.exclusive);

  first.ClosePort();
  // Closed: the lock and the exclusive flag are gone with it.
  const int plain = ::open(pty.SlavePath().constData(), O_RDWR | O_NOCTTY);
  QVERIFY(plain >= 0);
  int excl = -1;
  QCOMPARE(::ioctl(plain, TIOCGEXCL, &excl), 0);
  QCOMPARE(excl, 0);
  ::close(plain);
  second.OpenPort();
  QVERIFY(second.Connected());
}

void TestComPortSettings::openFailureLeavesClosed() {
  TComPort port;
  QCOMPARE(port.Port(), QByteArray("COM1"));  // the default name does not exist here
  bool afterOpen = false;
  port.OnAfterOpen = [&](TCustomComPort*) { afterOpen = true; };
  try {
    port.OpenPort();
    QFAIL("opening a missing port succeeded");
  } catch (const EComPort& e) {
    QCOMPARE(e.ComError, 1u);
    QCOMPARE(e.OsError, 2);
    QCOMPARE(e.Message(), QString("Unable to open com port (Error: 2)"));
    QCOMPARE(QString::fromUtf8(e.what()), e.Message());
  }
  QVERIFY(!port.Connected());
  QCOMPARE(port.PortHandle(), -1);
  QVERIFY(!afterOpen);
}

QTEST_GUILESS_MAIN(TestComPortSettings)
#include "tst_comport_settings.moc"
