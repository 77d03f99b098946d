// Waits for the controller's replies: never started where the reply cannot arrive, and ended
// with the link.
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "commands.h"
#include "tst_app.h"
#include "window_rig.h"

namespace {
// Runs action once, from inside the receive batch that brings the reply to a read request
// that nothing waits for; the batch then dispatches that reply, processing events first.
struct InsideDispatch {
  explicit InsideDispatch(WindowRig& rig, std::function<void()> action) : rig(rig) {
    TMain* window = rig.window.get();
    window->ComPort.OnRxChar = [this, window, action](TCustomComPort* port, int count) {
      if (!ran) {
        ran = true;
        QMetaObject::invokeMethod(
            window,
            [this, window, action] {
              inBatch = window->link.Receiving();
              action();
            },
            Qt::QueuedConnection);
      }
      window->link.VaCommRxChar(port, count);
    };
    window->link.SendFrame(Cmd::ReadItem(0), QByteArrayLiteral("G"));
  }
  WindowRig& rig;
  bool ran = false;
  bool inBatch = false;
};

// Requests to that command at least `gapMs` apart: none was a resend.
bool NoResends(const QList<LoggedRequest>& requests, int gapMs) {
  for (qsizetype i = 1; i < requests.size(); ++i)
    if (requests[i].ms - requests[i - 1].ms < gapMs) return false;
  return true;
}
}  // namespace

void TestOneAtATime::waitAskedForInsideDispatch_data() {
  QTest::addColumn<QString>("what");
  QTest::newRow("status poll tick") << "tick";
  QTest::newRow("ROZŁĄCZ") << "logout";
}

void TestOneAtATime::waitAskedForInsideDispatch() {
  QFETCH(QString, what);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.ui().Icon_get->isEnabled(), 2500);  // just after a status reply
  TMain* window = rig.window.get();
  const qint64 startMs = Simulator::NowMs();
  InsideDispatch inside(rig, [&] {
    if (what == "tick") {
      window->link.PollTicks = 9;  // this tick is the tenth
      QMetaObject::invokeMethod(&window->Timer, "timeout");
    } else {
      QTest::mouseClick(rig.ui().Button_rozlacz, Qt::LeftButton);
    }
  });
  QTRY_VERIFY_WITH_TIMEOUT(inside.ran, 1000);
  QTRY_VERIFY_WITH_TIMEOUT(rig.sim.Requests().size() >= 3, 2000);
  QVERIFY2(inside.inBatch, "the action did not run inside a receive batch");

  if (what == "tick") {
    // The poll went out right after the batch and got its answer: still logged in 3 s later,
    // with every poll answered the first time.
    QTest::qWait(3000);
    QVERIFY(window->LoggedIn);
    const QList<LoggedRequest> polls = rig.Requests(Cmd::Status, startMs);
    QVERIFY(polls.size() >= 3);
    QVERIFY2(polls.first().ms - startMs < 500, "the poll waited for a tick after the batch");
    QVERIFY(NoResends(polls, 500));
    QVERIFY(rig.boxes.Summaries().isEmpty());
  } else {
    QTRY_VERIFY_WITH_TIMEOUT(!window->ComPort.Connected(), 3000);
    QCOMPARE(rig.Requests(Cmd::Logout, startMs).size(), 1);
    QCOMPARE(rig.boxes.Summaries(), QStringList{"Information: Wylogowano z sterownika VELT"});
  }
}

// Closing the window ends the wait of a status poll: no resend, no message, the port closes.
void TestOneAtATime::closeWhileWaiting() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.ui().Icon_get->isEnabled(), 2500);
  QVERIFY(rig.sim.SetFaults({"silent"}));
  const int before = rig.Requests(Cmd::Status).size();
  QTRY_VERIFY_WITH_TIMEOUT(rig.Requests(Cmd::Status).size() > before, 2500);
  const qint64 closeMs = Simulator::NowMs();
  QVERIFY(rig.window->close());
  QTRY_VERIFY_WITH_TIMEOUT(!rig.window->ComPort.Connected(), 3000);
  QTest::qWait(1500);
  QCOMPARE(rig.Requests(Cmd::Status, closeMs).size(), 0);
  QVERIFY(rig.boxes.Summaries().isEmpty());
}

// Every poll is answered, a second late: late replies arrive while nothing waits, and the
// next poll must still get its answer. The window stays logged in.
void TestOneAtATime::lateRepliesKeepTheLogin() {
  WindowRig rig({.faults = {"slow=80:1000"}, .stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  const qint64 startMs = Simulator::NowMs();
  QTest::qWait(30000);
  QVERIFY(rig.window->LoggedIn);
  QVERIFY(rig.ui().Icon_get->isEnabled());
  QVERIFY(rig.Requests(Cmd::Status, startMs).size() >= 10);
  QVERIFY(rig.boxes.Summaries().isEmpty());
}

// While an upload has the link, the other operations on the controller cannot start; they come
// back when it ends.
void TestOneAtATime::operationsWaitForTheUpload() {
  WindowRig rig({.faults = {"slow=5:600"}, .stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.ui().Icon_put->isEnabled(), 2500);
  const QList<QWidget*> others{rig.ui().ButtonRestart, rig.ui().ButtonResetlimit,
                               rig.ui().Button_zmiana_hasla, rig.ui().ButtonFirmware, rig.ui().Icon_get};
  QStringList enabledDuring;
  QTimer::singleShot(300, rig.window.get(), [&] {
    for (QWidget* w : others)
      if (w->isEnabled()) enabledDuring << w->objectName();
    if (rig.ui().Pobierz1->isEnabled()) enabledDuring << "Pobierz1";
    QTest::mouseClick(rig.ui().ButtonRestart, Qt::LeftButton);
    rig.ui().Pobierz1->trigger();
  });
  const qint64 startMs = Simulator::NowMs();
  rig.Click(rig.ui().Icon_put);  // after a status poll still waiting, if one is
  QTRY_VERIFY_WITH_TIMEOUT(rig.Requests(Cmd::WriteItem(28), startMs).size() == 1, 10000);
  QTRY_VERIFY_WITH_TIMEOUT(!rig.window->OperationRunning(), 2000);
  QCOMPARE(enabledDuring, QStringList{});
  QStringList writes;
  for (int k = 0; k < Cmd::ItemCount; ++k) writes << QString::number(Cmd::WriteItem(k));
  QCOMPARE(rig.CommandsSince(startMs).remove(QRegularExpression("( 80)+")), writes.join(' '));
  for (QWidget* w : others) QVERIFY2(w->isEnabled(), qPrintable(w->objectName()));
  QVERIFY(rig.boxes.Summaries().isEmpty());
}
