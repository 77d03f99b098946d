// Leaving the controller: "ROZŁĄCZ" answered and unanswered, and closing the window.
#include <QCheckBox>
#include <QLabel>
#include <QTest>
#include <QTimer>

#include "commands.h"
#include "progress_gauge.h"
#include "tst_app.h"
#include "window_rig.h"

void TestDisconnect::logout_data() {
  QTest::addColumn<QStringList>("faults");  // from just before the click
  QTest::addColumn<QString>("box");
  QTest::addColumn<int>("attempts");
  QTest::addColumn<int>("boxAfterMin");  // ms from the first logout request
  QTest::addColumn<int>("boxAfterMax");

  QTest::newRow("answered") << QStringList{} << "Information: Wylogowano z sterownika VELT" << 1 << 0 << 700;
  QTest::newRow("unanswered") << QStringList{"silent"} << "Error: Brak odpowiedzi z nadajnika VELT" << 3 << 2700
                              << 3800;
}

void TestDisconnect::logout() {
  QFETCH(QStringList, faults);
  QFETCH(QString, box);
  QFETCH(int, attempts);
  QFETCH(int, boxAfterMin);
  QFETCH(int, boxAfterMax);

  // Old firmware, so that there is an option box for the logout to enable again.
  WindowRig rig({.version = '6', .stageStepMs = 0});
  START_RIG(rig);
  rig.sim.SetFixedStatus(QByteArray::fromHex("0580130F0201"));
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.ui().BarRSSI->value() == 15, 2500);
  QVERIFY(!rig.ui().BoxAutotest->isEnabled());

  QVERIFY(rig.sim.SetFaults(faults));
  const qint64 clickMs = Simulator::NowMs();
  rig.Click(rig.ui().Button_rozlacz);

  // The logout and its resends only: while it waits for its answer, no status poll comes between.
  QCOMPARE(rig.CommandsSince(clickMs), QStringList(attempts, "2").join(' '));
  const QList<LoggedRequest> logouts = rig.Requests(Cmd::Logout);
  for (const LoggedRequest& r : logouts) QCOMPARE(r.payload, QByteArray("W"));
  QCOMPARE(rig.boxes.Summaries(), QStringList{box});
  VERIFY_BETWEEN(rig.boxes.Boxes()[0].shownMs - logouts[0].ms, boxAfterMin, boxAfterMax);
  VERIFY_BETWEEN(rig.portClosedMs - rig.boxes.Boxes()[0].closedMs, 900, 1600);

  QVERIFY(!rig.window->ComPort.Connected());
  QCOMPARE(Shown(rig.ui().Edit_status), "ROZŁĄCZONY red");
  QCOMPARE(Shown(rig.ui().Edit_logon), "WYLOGOWANY red");
  QCOMPARE(EnabledControls(*rig.window), Enabled::Disconnected);
  QVERIFY(rig.ui().BoxAutotest->isEnabled());
  QCOMPARE(rig.ui().TextWersja->text(), "VELT v ...");
  QCOMPARE(ColourName(rig.ui().TextWersja->palette().color(QPalette::WindowText)), "grey");
  QCOMPARE(rig.ui().BarRSSI->value(), 0);
  QVERIFY(rig.ui().StatusBar->isHidden());
}

// The window leaves without a word to the controller, and lets go of the port a second later.
void TestDisconnect::closeWhileLoggedIn() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.ui().Icon_get->isEnabled(), 2500);

  const qint64 closeMs = Simulator::NowMs();
  QVERIFY(rig.window->close());

  VERIFY_BETWEEN(rig.portClosedMs - closeMs, 900, 1600);
  QVERIFY(!rig.window->ComPort.Connected());
  QVERIFY(!rig.window->LoggedIn);
  QCOMPARE(rig.Requests(Cmd::Logout).size(), 0);
  for (const LoggedRequest& r : rig.sim.Requests())
    QVERIFY2(r.ms < closeMs, qPrintable(QStringLiteral("command %1 sent after the close").arg(r.command)));
  QVERIFY(rig.boxes.Summaries().isEmpty());
}

void TestDisconnect::reconnectDuringDelayedClose_data() {
  QTest::addColumn<int>("afterOkMs");  // POŁĄCZ this long after OK on the logout's box
  QTest::addColumn<bool>("disconnectAgain");  // and ROZŁĄCZ once logged in again
  QTest::newRow("at once") << 50 << false;
  QTest::newRow("late in the second") << 750 << false;
  QTest::newRow("and out again") << 200 << true;
}

// POŁĄCZ while the port waits to be closed after a logout takes the port over: the close that
// was pending leaves it open, and the window's state is the port's.
void TestDisconnect::reconnectDuringDelayedClose() {
  QFETCH(int, afterOkMs);
  QFETCH(bool, disconnectAgain);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.ui().Icon_get->isEnabled(), 2500);

  bool scheduled = false;
  qint64 reconnectMs = 0;
  rig.boxes.AddHandler([&](QWidget*) {
    // The first box is the logout's; the watcher answers it with OK right after this.
    if (scheduled) return false;
    scheduled = true;
    QTimer::singleShot(afterOkMs, rig.window.get(), [&] {
      reconnectMs = Simulator::NowMs();
      rig.Click(rig.ui().Button_polacz);
      if (disconnectAgain && rig.window->LoggedIn) rig.Click(rig.ui().Button_rozlacz);
    });
    return false;
  });
  rig.Click(rig.ui().Button_rozlacz);
  rig.boxes.ClearHandlers();
  QVERIFY(reconnectMs > 0);
  // Within the second the port waits to close.
  VERIFY_BETWEEN(reconnectMs - rig.boxes.Boxes().value(0).closedMs, afterOkMs, 950);
  const QString logout = QStringLiteral("Information: Wylogowano z sterownika VELT");

  if (disconnectAgain) {
    QVERIFY(!rig.window->ComPort.Connected());
    QCOMPARE(Shown(rig.ui().Edit_status), "ROZŁĄCZONY red");
    QCOMPARE(EnabledControls(*rig.window), Enabled::Disconnected);
    QCOMPARE(rig.boxes.Summaries(), QStringList({logout, logout}));
    return;
  }
  QVERIFY(rig.window->ComPort.Connected());
  QVERIFY(rig.window->LoggedIn);
  QCOMPARE(Shown(rig.ui().Edit_status), "POŁĄCZONY lime");
  QCOMPARE(Shown(rig.ui().Edit_logon), "ZALOGOWANY lime");
  // Polled on the open port past the time the old close would have struck.
  const qint64 sinceMs = Simulator::NowMs();
  QTRY_VERIFY_WITH_TIMEOUT(rig.Requests(Cmd::Status, sinceMs).size() >= 2, 3500);
  QTRY_VERIFY_WITH_TIMEOUT(rig.ui().Icon_get->isEnabled() && rig.window->link.IsIdle(), 2500);
  QCOMPARE(EnabledControls(*rig.window), Enabled::LoggedIn);
  const qint64 downloadMs = Simulator::NowMs();
  rig.Click(rig.ui().Icon_get);
  for (int k = 0; k < Cmd::ItemCount; ++k) QCOMPARE(rig.Requests(Cmd::ReadItem(k), downloadMs).size(), 1);
  QVERIFY(rig.window->LoggedIn);
  QCOMPARE(rig.boxes.Summaries(), QStringList{logout});
}

// POŁĄCZ while the window closes opens nothing: the port goes as the window does.
void TestDisconnect::connectWhileClosing() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  const qint64 closeMs = Simulator::NowMs();
  bool clicked = false;
  QTimer::singleShot(300, rig.window.get(), [&] {
    clicked = true;
    rig.Click(rig.ui().Button_polacz);
  });
  QVERIFY(rig.window->close());
  QVERIFY(clicked);
  QVERIFY(!rig.window->ComPort.Connected());
  VERIFY_BETWEEN(rig.portClosedMs - closeMs, 900, 1600);
  QCOMPARE(rig.Requests(Cmd::Login, closeMs).size(), 0);
  QVERIFY(rig.boxes.Summaries().isEmpty());
}
