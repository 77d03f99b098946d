// "Restart VELT" and "Zeruj liczniki": one frame each, nothing waited for, nothing shown.
#include <QTest>

#include "commands.h"
#include "maint_rig.h"
#include "tst_app_maint.h"

void TestOneShot::oneFrame_data() {
  QTest::addColumn<QString>("button");
  QTest::addColumn<int>("command");
  QTest::addColumn<QByteArray>("payload");
  QTest::addColumn<QByteArray>("frame");
  QTest::addColumn<bool>("silent");  // the controller answers nothing
  QTest::newRow("restart") << "ButtonRestart" << 0x64 << QByteArray("B") << QByteArray("47 64 01 42 EE") << false;
  QTest::newRow("restart, silent controller") << "ButtonRestart" << 0x64 << QByteArray("B")
                                              << QByteArray("47 64 01 42 EE") << true;
  QTest::newRow("counter reset") << "ButtonResetlimit" << 0x51 << QByteArray("G") << QByteArray("47 51 01 47 E0")
                                 << false;
  QTest::newRow("counter reset, silent controller") << "ButtonResetlimit" << 0x51 << QByteArray("G")
                                                    << QByteArray("47 51 01 47 E0") << true;
}

void TestOneShot::oneFrame() {
  QFETCH(QString, button);
  QFETCH(int, command);
  QFETCH(QByteArray, payload);
  QFETCH(QByteArray, frame);
  QFETCH(bool, silent);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.ui().Icon_get->isEnabled(), 2500);
  QTRY_VERIFY_WITH_TIMEOUT(rig.window->link.IsIdle(), 2000);
  if (silent) QVERIFY(rig.sim.SetFaults({"silent"}));
  auto* control = rig.window->findChild<QWidget*>(button);
  QVERIFY(control && control->isEnabled());
  const qint64 startMs = Simulator::NowMs();
  rig.Click(control);
  // Nothing waited for: the click is over at once, and the window is as it was.
  QVERIFY(Simulator::NowMs() - startMs < 500);
  QVERIFY(rig.window->LoggedIn);
  QCOMPARE(rig.window->link.LastSentFrame.toHex(' ').toUpper(), frame);
  // A resend would have gone out by now (a status poll that goes unanswered may hold this
  // wait until the window logs out: that is the poll's business).
  QTest::qWait(1500);
  QList<LoggedRequest> sent;
  for (const LoggedRequest& r : rig.sim.Requests())
    if (r.ms >= startMs && r.command != Cmd::Status) sent << r;
  QCOMPARE(sent.size(), 1);
  QCOMPARE(int(sent[0].command), command);
  QCOMPARE(sent[0].payload, payload);
  QCOMPARE(rig.boxes.Summaries(), QStringList{});
}
