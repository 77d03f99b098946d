// A device the port opens is handed back as it was found: one that is refused is never touched,
// one that was used gets its line settings back at close, also when it vanished meanwhile.
#include "comport.h"
#include "pseudo_terminal.h"
#include "serial_check.h"
#include "session_terminal.h"

#include <QtTest>

class TestComPortHandover : public QObject {
  Q_OBJECT
 private slots:
  void handedBackAsFound_data();
  void handedBackAsFound();
  void vanishedDeviceCloses();
};

void TestComPortHandover::handedBackAsFound_data() {
  QTest::addColumn<bool>("session");   // the device is a session's controlling terminal
  QTest::addColumn<bool>("refused");
  QTest::newRow("a session's terminal is refused untouched") << true << true;
  QTest::newRow("a free terminal is used and given back") << false << false;
}

void TestComPortHandover::handedBackAsFound() {
  QFETCH(bool, session);
  QFETCH(bool, refused);
  SessionTerminal sessionTerminal;
  QVERIFY(sessionTerminal.Ready());
  PseudoTerminal freeTerminal;
  const int master = session ? sessionTerminal.Master() : freeTerminal.Master();
  const QByteArray before = SessionTerminal::LineSettingsOf(master);
  QVERIFY(!before.isEmpty());

  TComPort port;
  port.OnCheckDevice = NotSerialPort;
  port.SetBaudRate(br1200);
  port.SetPort(session ? sessionTerminal.Slave() : freeTerminal.SlavePath());
  port.OpenPort();
  QCOMPARE(port.Connected(), !refused);
  QCOMPARE(port.Refusal().isEmpty(), !refused);
  if (!refused) {
    QVERIFY(SessionTerminal::LineSettingsOf(master) != before);  // the port's own settings
    port.ClosePort();
  }
  QCOMPARE(SessionTerminal::LineSettingsOf(master), before);
}

void TestComPortHandover::vanishedDeviceCloses() {
  PseudoTerminal pty;
  TComPort port;
  port.SetPort(pty.SlavePath());
  port.OpenPort();
  pty.CloseMaster();
  port.ClosePort();  // the settings cannot go back to a line that is gone; closing still works
  QVERIFY(!port.Connected());
  QCOMPARE(port.PortHandle(), -1);
}

QTEST_GUILESS_MAIN(TestComPortHandover)
#include "tst_comport_handover.moc"
