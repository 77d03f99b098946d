// While logged in: the status poll once a second, a controller that stops answering, and what
// the status and login replies show.
#include <QCheckBox>
#include <QLabel>
#include <QTest>

#include "colours.h"
#include "commands.h"
#include "progress_gauge.h"
#include "tst_app.h"
#include "window_rig.h"

namespace {
// Lamps as letters: L lime, R red, B button face, ? anything else.
QString Lamps(std::initializer_list<const QLabel*> lamps) {
  QString letters;
  for (const QLabel* lamp : lamps) {
    const QColor c = lamp->palette().color(QPalette::Window);
    letters += c == QColor(Colours::Lime) ? 'L' : c == QColor(Colours::Red) ? 'R' : c == Colours::ButtonFace() ? 'B' : '?';
  }
  return letters;
}

// An option box as "on"/"off" (enabled) and "checked"/"clear".
QString Box(const QCheckBox* box) {
  return QString(box->isEnabled() ? "on " : "off ") + (box->isChecked() ? "checked" : "clear");
}
}  // namespace

void TestPolling::pollSchedule() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  const qint64 loginMs = rig.Requests(Cmd::Login).last().ms;

  QTRY_VERIFY_WITH_TIMEOUT(rig.Requests(Cmd::Status).size() >= 4, 6000);
  const QList<LoggedRequest> polls = rig.Requests(Cmd::Status);
  VERIFY_BETWEEN(polls[0].ms - loginMs, 700, 1600);
  for (int i = 1; i < 4; ++i) VERIFY_BETWEEN(polls[i].ms - polls[i - 1].ms, 800, 1500);
  for (const LoggedRequest& poll : polls) QCOMPARE(poll.payload, QByteArray("G"));
  // Nothing but the login and the polls went out.
  QCOMPARE(rig.sim.Requests().size(), 1 + polls.size());
  QVERIFY(rig.boxes.Summaries().isEmpty());
}

// The poll and its two resends go unanswered: logged out about three seconds later, silently.
void TestPolling::controllerFallsSilent() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  const qint64 loginMs = rig.Requests(Cmd::Login).last().ms;
  QVERIFY(rig.sim.SetFaults({"silent"}));

  QTRY_VERIFY_WITH_TIMEOUT(!rig.window->LoggedIn, 6000);
  const QList<LoggedRequest> polls = rig.Requests(Cmd::Status);
  QCOMPARE(polls.size(), 3);
  VERIFY_BETWEEN(polls[0].ms - loginMs, 700, 1600);
  VERIFY_BETWEEN(polls[1].ms - polls[0].ms, 800, 1500);
  VERIFY_BETWEEN(polls[2].ms - polls[1].ms, 800, 1500);
  VERIFY_BETWEEN(rig.loggedOutMs - polls[0].ms, 2700, 3800);

  QVERIFY2(rig.boxes.Summaries().isEmpty(), qPrintable(rig.boxes.Summaries().join(" | ")));
  QCOMPARE(Shown(rig.ui().Edit_status), "POŁĄCZONY lime");
  QCOMPARE(Shown(rig.ui().Edit_logon), "WYLOGOWANY red");
  QCOMPARE(EnabledControls(*rig.window), Enabled::ConnectedLoggedOut);
  QCOMPARE(Lamps({rig.ui().PanelIN1, rig.ui().PanelPK, rig.ui().PanelFab}), "BBB");
  QVERIFY(rig.window->ComPort.Connected());
  QVERIFY(!rig.window->Timer.isActive());

  // The controller is back: the user logs in again on the open port.
  QVERIFY(rig.sim.SetFaults({}));
  LOG_IN(rig);
}

void TestPolling::statusShown_data() {
  QTest::addColumn<QByteArray>("status");
  QTest::addColumn<QString>("inputs");
  QTest::addColumn<QString>("outputs");
  QTest::addColumn<QString>("tamper");
  QTest::addColumn<QString>("events");
  QTest::addColumn<QString>("stage");
  QTest::addColumn<int>("gauge");
  QTest::addColumn<QString>("sms");
  QTest::addColumn<QString>("voice");

  QTest::newRow("registered, IN1 and IN3") << QByteArray::fromHex("0580130F0201") << "LRLRR" << "LLL" << "L"
                                           << "Zd: 0" << "Połączony z siecią GSM" << 15 << "2 z" << "1 z";
  QTest::newRow("modem reset, no level, all at most")
      << QByteArray::fromHex("FFFF6463FFFF") << "LLLLL" << "RRR" << "L" << "Zd: 127" << "RESET modemu GSM" << 0
      << "255 z" << "255 z";
}

void TestPolling::statusShown() {
  QFETCH(QByteArray, status);
  QFETCH(QString, inputs);
  QFETCH(QString, outputs);
  QFETCH(QString, tamper);
  QFETCH(QString, events);
  QFETCH(QString, stage);
  QFETCH(int, gauge);
  QFETCH(QString, sms);
  QFETCH(QString, voice);

  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  rig.sim.SetFixedStatus(status);
  LOG_IN(rig);
  QVERIFY(!rig.ui().Icon_get->isEnabled());
  QTRY_VERIFY_WITH_TIMEOUT(rig.ui().Icon_get->isEnabled(), 2500);

  const Ui::TMain& ui = rig.ui();
  QCOMPARE(Lamps({ui.PanelIN1, ui.PanelIN2, ui.PanelIN3, ui.PanelIN4, ui.PanelIN5}), inputs);
  QCOMPARE(Lamps({ui.PanelPK, ui.PanelOut2, ui.PanelOut3}), outputs);
  QCOMPARE(Lamps({ui.PanelFab}), tamper);
  QCOMPARE(ui.LabelZd->text(), events);
  QVERIFY(ui.StatusBar->isVisible());
  QCOMPARE(ui.StatusBar->text(), stage);
  QCOMPARE(ui.BarRSSI->value(), gauge);
  QCOMPARE(ui.LabelSMS->text(), sms);
  QCOMPARE(ui.LabelVoice->text(), voice);
  QVERIFY(ui.Icon_put->isEnabled());
}

void TestPolling::firmwareVersion_data() {
  QTest::addColumn<char>("version");
  QTest::addColumn<QString>("caption");  // text and colour
  QTest::addColumn<QString>("autotest");
  QTest::addColumn<QString>("miniPanel");

  QTest::newRow("6") << '6' << "VELT v 1.6 black" << "off clear" << "off clear";
  QTest::newRow("7") << '7' << "VELT v 1.7 black" << "on checked" << "off clear";
  QTest::newRow("8") << '8' << "VELT v 1.8 black" << "on checked" << "on checked";
  QTest::newRow(":") << ':' << "VELT v 2.0 black" << "on checked" << "on checked";
  QTest::newRow("below 0: nothing changes") << '/' << "VELT v ... grey" << "on checked" << "on checked";
}

void TestPolling::firmwareVersion() {
  QFETCH(char, version);
  QFETCH(QString, caption);
  QFETCH(QString, autotest);
  QFETCH(QString, miniPanel);

  WindowRig rig({.version = version, .stageStepMs = 0});
  START_RIG(rig);
  rig.ui().BoxAutotest->setChecked(true);
  rig.ui().BoxIN1blok->setChecked(true);
  LOG_IN(rig);

  const QLabel* text = rig.ui().TextWersja;
  QCOMPARE(text->text() + ' ' + ColourName(text->palette().color(QPalette::WindowText)), caption);
  QCOMPARE(Box(rig.ui().BoxAutotest), autotest);
  QCOMPARE(Box(rig.ui().BoxIN1blok), miniPanel);
}
