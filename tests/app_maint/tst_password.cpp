// The password dialog against the simulated controller: cancelled, refused input, a change
// that the controller takes, and a controller that does not answer.
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include "commands.h"
#include "maint_rig.h"
#include "tfhaslo_nowe.h"
#include "tst_app_maint.h"

namespace {
const QString Changed = QStringLiteral("Information: Hasło zmienione");
const QString NoReply = QStringLiteral("Error: Brak odpowiedzi z nadajnika VELT");
const QString Lost = QStringLiteral("\nPort COM niedostępny");

struct PasswordDialog {
  explicit PasswordDialog(TFhaslo_nowe* dialog)
      : dialog(dialog),
        edit(dialog->findChild<QLineEdit*>("Edit_haslo_nowe")),
        save(dialog->findChild<QPushButton*>("Button1")),
        cancel(dialog->findChild<QPushButton*>("Button2")) {}
  bool Complete() const { return edit && save && cancel; }
  // "paste:" and a text: the text pasted instead.
  void Type(const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    if (text.startsWith(QStringLiteral("paste:"))) {
      QApplication::clipboard()->setText(text.mid(6));
      QTest::keySequence(edit, QKeySequence::Paste);
      return;
    }
    // One key event a character, its text included (not only ASCII).
    for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(c), Qt::NoModifier);
  }
  TFhaslo_nowe* dialog;
  QLineEdit* edit;
  QPushButton* save;
  QPushButton* cancel;
};

bool FourDigits(const QString& text) {
  static const QRegularExpression four(QStringLiteral("^[0-9]{4}$"));
  return four.match(text).hasMatch();
}

bool Run(WindowRig& rig, std::function<void(PasswordDialog&)> drive, int timeoutMs = 15000) {
  return RunDialog<TFhaslo_nowe>(
      rig, rig.ui().Button_zmiana_hasla,
      [drive](TFhaslo_nowe* dialog) {
        PasswordDialog d(dialog);
        QVERIFY(d.Complete());
        drive(d);
      },
      timeoutMs);
}
}  // namespace

// "Anuluj" sends nothing and keeps the window's password; the dialog opens with "7315"
// whatever the password is, and the status poll stops while it is open.
void TestPassword::cancel() {
  WindowRig rig({.password = "4826", .stageStepMs = 0});
  START_RIG(rig);
  rig.ui().Edit_haslo->setText("4826");
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.ui().Icon_get->isEnabled(), 2500);
  QString shown, name, title, label, saveText, cancelText;
  qint64 openMs = 0;
  int pollsWhileOpen = -1;
  QVERIFY(Run(rig, [&](PasswordDialog& d) {
    openMs = Simulator::NowMs();
    shown = d.edit->text();
    name = d.dialog->objectName();
    title = d.dialog->windowTitle();
    if (auto* l = d.dialog->findChild<QLabel*>("Label1")) label = l->text();
    saveText = d.save->text();
    cancelText = d.cancel->text();
    SaveShot(d.dialog, "haslo-open.png");
    QTest::qWait(1500);
    pollsWhileOpen = rig.Requests(Cmd::Status, openMs).size();
    QTest::mouseClick(d.cancel, Qt::LeftButton);
  }));
  QCOMPARE(shown, QStringLiteral("7315"));
  QCOMPARE(name, QStringLiteral("Fhaslo_nowe"));
  QCOMPARE(title, QStringLiteral("Fhaslo_nowe"));
  QCOMPARE(label, QStringLiteral("Nowe haslo :"));
  QCOMPARE(saveText, QStringLiteral("Zapisz"));
  QCOMPARE(cancelText, QStringLiteral("Anuluj"));
  QCOMPARE(pollsWhileOpen, 0);
  QCOMPARE(rig.Requests(Cmd::PasswordChange).size(), 0);
  QCOMPARE(rig.ui().Edit_haslo->text(), QStringLiteral("4826"));
  QVERIFY(rig.window->LoggedIn);
  QCOMPARE(rig.boxes.Summaries(), QStringList{});
  const qint64 closedMs = Simulator::NowMs();
  QTRY_VERIFY_WITH_TIMEOUT(!rig.Requests(Cmd::Status, closedMs).isEmpty(), 2500);
  QCOMPARE(rig.Requests(Cmd::PasswordChange).size(), 0);
}

void TestPassword::fourDigits_data() {
  QTest::addColumn<QString>("typed");  // "-": nothing typed; "paste:" and a text: pasted
  QTest::addColumn<int>("enabled");    // "Zapisz": 1 or 0; -1: as the field shows four digits or not
  QTest::newRow("as it opens") << "-" << 1;
  QTest::newRow("emptied") << "" << 0;
  QTest::newRow("one digit") << "5" << 0;
  QTest::newRow("three digits") << "123" << 0;
  QTest::newRow("four digits") << "4826" << 1;
  QTest::newRow("four zeros") << "0000" << 1;
  QTest::newRow("a letter among digits") << "12a4" << 0;
  QTest::newRow("a space before three digits") << " 123" << 0;
  QTest::newRow("a Polish letter and three digits") << "ą123" << 0;
  QTest::newRow("five digits") << "12345" << -1;
  QTest::newRow("a letter, then four digits") << "x4826" << -1;
  // A control character pasted with the digits (a copied line end) is dropped.
  QTest::newRow("pasted with a Windows line end") << "paste:4826\r\n" << 1;
  QTest::newRow("pasted with a tab among the digits") << "paste:48\t26" << 1;
}

// "Zapisz" only for exactly four digits; a press while it is disabled sends nothing.
void TestPassword::fourDigits() {
  QFETCH(QString, typed);
  QFETCH(int, enabled);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QString shown;
  bool saveEnabled = false;
  QVERIFY(Run(rig, [&](PasswordDialog& d) {
    if (typed != "-") d.Type(typed);
    shown = d.edit->text();
    saveEnabled = d.save->isEnabled();
    if (!saveEnabled) {
      QTest::mouseClick(d.save, Qt::LeftButton);
      emit d.save->clicked();
      QTest::qWait(300);
    }
    QTest::mouseClick(d.cancel, Qt::LeftButton);
  }));
  QCOMPARE(saveEnabled, FourDigits(shown));
  if (enabled >= 0) QCOMPARE(saveEnabled, enabled == 1);
  QCOMPARE(rig.Requests(Cmd::PasswordChange).size(), 0);
  QCOMPARE(rig.boxes.Summaries(), QStringList{});
}

void TestPassword::changed_data() {
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<bool>("lineGoes");  // the line closes while "Hasło zmienione" is shown
  QTest::newRow("answered at once") << QStringList{} << false;
  QTest::newRow("answered late: the field is locked meanwhile") << QStringList{"slow=3:700"} << false;
  QTest::newRow("the line goes while the change is told") << QStringList{"hangup-after=1"} << true;
}

// The controller takes the new password: one 8-byte frame, "Hasło zmienione", the window logged
// in again with the new password, which the next login uses. A line lost meanwhile leaves the
// window disconnected, with the new password.
void TestPassword::changed() {
  QFETCH(QStringList, faults);
  QFETCH(bool, lineGoes);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.window->link.IsIdle(), 2000);
  QVERIFY(rig.sim.SetFaults(faults));
  QByteArray frameWhenTold;
  rig.boxes.AddHandler([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box || box->text() != QStringLiteral("Hasło zmienione")) return false;
    frameWhenTold = rig.window->link.LastSentFrame;
    const qint64 deadline = Simulator::NowMs() + 3000;
    while (lineGoes && rig.window->ComPort.Connected() && Simulator::NowMs() < deadline) QTest::qWait(20);
    return false;
  });
  bool lockedWhileWaiting = true, checkedWhileWaiting = false;
  const qint64 startMs = Simulator::NowMs();
  QVERIFY(Run(rig, [&](PasswordDialog& d) {
    d.Type("4826");
    QVERIFY(d.save->isEnabled());
    QTimer::singleShot(300, d.dialog, [&] {
      checkedWhileWaiting = true;
      QTest::keyClick(d.edit, Qt::Key_Backspace);
      QTest::keyClicks(d.edit, "9");
      lockedWhileWaiting = d.edit->text() == "4826" && !d.save->isEnabled();
    });
    QTest::mouseClick(d.save, Qt::LeftButton);
  }));
  if (!faults.filter("slow=").isEmpty()) {  // answered late
    QVERIFY(checkedWhileWaiting);
    QVERIFY2(lockedWhileWaiting, "the new password could be edited while it was being sent");
  }
  const QList<LoggedRequest> sent = rig.Requests(Cmd::PasswordChange, startMs);
  QCOMPARE(sent.size(), 1);
  QCOMPARE(sent[0].payload, QByteArray("4826"));
  QCOMPARE(frameWhenTold.toHex(' '), QByteArray("47 03 04 34 38 32 36 22"));
  QCOMPARE(rig.sim.State().password, QByteArray("4826"));
  QCOMPARE(rig.ui().Edit_haslo->text(), QStringLiteral("4826"));
  if (lineGoes) {
    const QStringList told = rig.boxes.Summaries();
    QCOMPARE(told.size(), 2);
    QVERIFY2(told[0].startsWith("Error: ") && told[0].endsWith(Lost), qPrintable(told[0]));
    QCOMPARE(told[1], Changed);
    QVERIFY(!rig.window->LoggedIn);
    QCOMPARE(Shown(rig.ui().Edit_status), QStringLiteral("ROZŁĄCZONY red"));
    QCOMPARE(Shown(rig.ui().Edit_logon), QStringLiteral("WYLOGOWANY red"));
    QCOMPARE(EnabledControls(*rig.window), Enabled::Disconnected);
    return;
  }
  QCOMPARE(rig.boxes.Summaries(), QStringList{Changed});
  QVERIFY(!rig.ui().Edit_haslo->isEnabled());
  QVERIFY(rig.window->LoggedIn);
  QCOMPARE(Shown(rig.ui().Edit_logon), QStringLiteral("ZALOGOWANY lime"));
  QVERIFY(rig.ui().Button_zmiana_hasla->isEnabled());
  QVERIFY(!rig.ui().Button_polacz->isEnabled());
  const qint64 closedMs = Simulator::NowMs();
  QTRY_VERIFY_WITH_TIMEOUT(!rig.Requests(Cmd::Status, closedMs).isEmpty(), 2500);

  // The next login uses the new password.
  rig.Click(rig.ui().Button_rozlacz);
  QTRY_VERIFY_WITH_TIMEOUT(!rig.window->ComPort.Connected(), 3000);
  LOG_IN(rig);
  QCOMPARE(rig.Requests(Cmd::Login).last().payload, QByteArray("4826"));
}

// No answer: the window is logged out, the dialog stays open with the password that was sent,
// and "Zapisz" stays disabled.
void TestPassword::controllerSilent() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTRY_VERIFY_WITH_TIMEOUT(rig.window->link.IsIdle(), 2000);
  qint64 startMs = 0;
  QString shownAfter, logonAfter, passwordAfter;
  bool openAfter = false, saveAfter = true, loggedInAfter = true;
  int sentAfterRetry = -1;
  QVERIFY(Run(rig, [&](PasswordDialog& d) {
    d.Type("4826");
    QVERIFY(rig.sim.SetFaults({"silent"}));
    startMs = Simulator::NowMs();
    QTest::mouseClick(d.save, Qt::LeftButton);
    openAfter = d.dialog->isVisible();
    shownAfter = d.edit->text();
    saveAfter = d.save->isEnabled();
    loggedInAfter = rig.window->LoggedIn;
    logonAfter = Shown(rig.ui().Edit_logon);
    passwordAfter = rig.ui().Edit_haslo->text();
    SaveShot(d.dialog, "haslo-failed.png");
    QTest::mouseClick(d.save, Qt::LeftButton);
    emit d.save->clicked();
    QTest::qWait(500);
    sentAfterRetry = rig.Requests(Cmd::PasswordChange, startMs).size();
    QTest::mouseClick(d.cancel, Qt::LeftButton);
  }));
  QVERIFY(openAfter);
  QCOMPARE(shownAfter, QStringLiteral("4826"));
  QVERIFY(!saveAfter);
  QVERIFY(!loggedInAfter);
  QCOMPARE(logonAfter, QStringLiteral("WYLOGOWANY red"));
  QCOMPARE(passwordAfter, QStringLiteral("7315"));
  QCOMPARE(rig.boxes.Summaries(), QStringList{NoReply});
  // Three attempts about a second apart, and nothing after the message.
  const QList<LoggedRequest> sent = rig.Requests(Cmd::PasswordChange, startMs);
  QCOMPARE(sent.size(), 3);
  for (const LoggedRequest& r : sent) QCOMPARE(r.payload, QByteArray("4826"));
  VERIFY_BETWEEN(sent[1].ms - sent[0].ms, 800, 1500);
  VERIFY_BETWEEN(sent[2].ms - sent[1].ms, 800, 1500);
  QCOMPARE(sentAfterRetry, 3);
  // Logged out: no status poll after the dialog has closed.
  const qint64 closedMs = Simulator::NowMs();
  QTest::qWait(1500);
  QCOMPARE(rig.CommandsSince(closedMs), QString());
  QCOMPARE(rig.ui().Edit_haslo->text(), QStringLiteral("7315"));
}
