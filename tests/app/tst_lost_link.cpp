// A vanished line: the window says so once, closes the port, and connects again with one
// POŁĄCZ when the controller is back on the same port.
#include <QFile>
#include <QTest>

#include "commands.h"
#include "tst_app.h"
#include "window_rig.h"

namespace {
const QString Lost = QStringLiteral("\nPort COM niedostępny");

void VerifyDisconnected(WindowRig& rig) {
  QVERIFY(!rig.window->ComPort.Connected());
  QVERIFY(!rig.window->LoggedIn);
  QCOMPARE(Shown(rig.ui().Edit_status), "ROZŁĄCZONY red");
  QCOMPARE(Shown(rig.ui().Edit_logon), "WYLOGOWANY red");
  QCOMPARE(EnabledControls(*rig.window), Enabled::Disconnected);
  // POŁĄCZ acts on the port shown: the one that was in use, marked absent until it is back.
  QCOMPARE(rig.ui().ComCombo->currentData().toByteArray(), QFile::encodeName(rig.portPath));
  QVERIFY(rig.window->ChosenPortAbsent());
}

// The controller comes back on the same port: one POŁĄCZ logs in to it.
void VerifyReconnects(WindowRig& rig) {
  Simulator back({.stageStepMs = 0});
  QString why;
  QVERIFY2(back.Start(&why), qPrintable(why));
  QFile::remove(rig.portPath);
  QVERIFY2(!rig.ports.AddLink("velt-sim", back.DevicePath(), &why).isEmpty(), qPrintable(why));
  const int boxes = rig.boxes.Boxes().size();
  rig.Click(rig.ui().Button_polacz);
  QVERIFY2(rig.window->LoggedIn, qPrintable(rig.boxes.Summaries().join(" | ")));
  QCOMPARE(rig.boxes.Boxes().size(), boxes);
  QCOMPARE(rig.ui().ComCombo->currentData().toByteArray(), QFile::encodeName(rig.portPath));
  QVERIFY(!rig.window->ChosenPortAbsent());
  QCOMPARE(back.Requests().size(), 1);
  QCOMPARE(back.Requests().first().command, Cmd::Login);
  rig.Click(rig.ui().Button_rozlacz);  // leaves before the controller goes away again
}
}  // namespace

void TestLostLink::hangUp_data() {
  QTest::addColumn<bool>("waiting");  // a status poll waits for its answer when the line goes
  QTest::newRow("idle") << false;
  QTest::newRow("during a wait") << true;
}

void TestLostLink::hangUp() {
  QFETCH(bool, waiting);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.ui().Icon_get->isEnabled(), 2500);
  if (waiting) {
    QVERIFY(rig.sim.SetFaults({"silent"}));
    const int before = rig.Requests(Cmd::Status).size();
    QTRY_VERIFY_WITH_TIMEOUT(rig.Requests(Cmd::Status).size() > before, 2500);
  }

  const qint64 goneMs = Simulator::NowMs();
  rig.sim.Stop();
  QTRY_COMPARE_WITH_TIMEOUT(rig.boxes.Boxes().size(), 1, 2000);
  const BoxWatcher::Box box = rig.boxes.Boxes().first();
  const QString first = QStringLiteral("Error: Utracono połączenie z portem %1: adapter mógł zostać odłączony.\n").arg(rig.portPath);
  QVERIFY2(box.summary.startsWith(first) && box.summary.endsWith(Lost), qPrintable(box.summary));
  QVERIFY2(box.shownMs - goneMs < 1000, "the loss is told at once, not after the resends");
  VerifyDisconnected(rig);
  QTest::qWait(1500);  // said once: no resend, no poll, no second box
  QCOMPARE(rig.boxes.Boxes().size(), 1);
  VerifyDisconnected(rig);

  VerifyReconnects(rig);
}

// The logout cannot be written to a line that is gone: the port closes all the same.
void TestLostLink::logoutCannotBeWritten() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  rig.sim.Stop();
  rig.Click(rig.ui().Button_rozlacz);  // before the window has heard of the hang-up
  QCOMPARE(rig.boxes.Boxes().size(), 1);
  QVERIFY2(rig.boxes.Summaries().first().endsWith(Lost), qPrintable(rig.boxes.Summaries().first()));
  VerifyDisconnected(rig);
  QTest::qWait(500);
  QCOMPARE(rig.boxes.Boxes().size(), 1);
  VerifyReconnects(rig);
}
