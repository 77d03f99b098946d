// Connecting and logging in: the controls of each connection state, the password on the line,
// a refused password, an unanswered login and a port that does not open.
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

#include "commands.h"
#include "convert_error.h"
#include "session_terminal.h"
#include "tst_app.h"
#include "window_rig.h"

namespace {
void Type(QLineEdit* field, const QString& text) {
  field->selectAll();
  field->del();
  QTest::keyClicks(field, text);
}

QList<QByteArray> Payloads(const QList<LoggedRequest>& requests) {
  QList<QByteArray> payloads;
  for (const LoggedRequest& r : requests) payloads << r.payload;
  return payloads;
}
}  // namespace

void TestConnection::states_data() {
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<bool>("connect");
  QTest::addColumn<QString>("status");
  QTest::addColumn<QString>("logon");
  QTest::addColumn<QStringList>("enabled");
  QTest::addColumn<bool>("portOpen");
  QTest::addColumn<bool>("polling");

  QTest::newRow("disconnected") << QStringList{} << false << "ROZŁĄCZONY red" << "WYLOGOWANY red"
                                << Enabled::Disconnected << false << false;
  QTest::newRow("connected, logged out") << QStringList{"wrong-password"} << true << "POŁĄCZONY lime"
                                         << "WYLOGOWANY red" << Enabled::ConnectedLoggedOut << true << false;
  QTest::newRow("logged in") << QStringList{} << true << "POŁĄCZONY lime" << "ZALOGOWANY lime"
                             << Enabled::LoggedIn << true << true;
}

void TestConnection::states() {
  QFETCH(QStringList, faults);
  QFETCH(bool, connect);
  QFETCH(QString, status);
  QFETCH(QString, logon);
  QFETCH(QStringList, enabled);
  QFETCH(bool, portOpen);
  QFETCH(bool, polling);

  WindowRig rig({.faults = faults, .stageStepMs = 0});
  START_RIG(rig);
  if (connect) rig.Click(rig.ui().Button_polacz);

  QCOMPARE(Shown(rig.ui().Edit_status), status);
  QCOMPARE(Shown(rig.ui().Edit_logon), logon);
  QCOMPARE(rig.window->ComPort.Connected(), portOpen);
  QCOMPARE(rig.window->LoggedIn && rig.window->Status.StatusDisplayOn, polling);
  QVERIFY(rig.window->Timer.isActive());
  // The read and write buttons wait for the first status reply.
  QStringList atOnce = enabled;
  atOnce.removeAll("Icon_get");
  atOnce.removeAll("Icon_put");
  QCOMPARE(EnabledControls(*rig.window), atOnce);
  if (polling) {
    QTRY_VERIFY_WITH_TIMEOUT(rig.ui().Icon_get->isEnabled(), 2500);
    QCOMPARE(EnabledControls(*rig.window), enabled);
  }
  QCOMPARE(rig.boxes.Summaries(), faults.isEmpty() ? QStringList{} : QStringList{"Error: Błędne hasło"});
}

void TestConnection::login_data() {
  QTest::addColumn<QByteArray>("password");  // the controller's
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<bool>("refused");

  QTest::newRow("default password") << QByteArray("7315") << QStringList{} << "7315" << false;
  QTest::newRow("another password") << QByteArray("0429") << QStringList{} << "0429" << false;
  QTest::newRow("wrong password, then the right one") << QByteArray("1234") << QStringList{} << "7315" << true;
  QTest::newRow("refused by the controller, then accepted")
      << QByteArray("7315") << QStringList{"wrong-password"} << "7315" << true;
}

void TestConnection::login() {
  QFETCH(QByteArray, password);
  QFETCH(QStringList, faults);
  QFETCH(QString, typed);
  QFETCH(bool, refused);

  WindowRig rig({.password = password, .faults = faults, .stageStepMs = 0});
  START_RIG(rig);
  Type(rig.ui().Edit_haslo, typed);
  rig.Click(rig.ui().Button_polacz);
  QCOMPARE(Payloads(rig.Requests(Cmd::Login)), QList<QByteArray>{typed.toLatin1()});

  if (refused) {
    QCOMPARE(rig.boxes.Summaries(), QStringList{"Error: Błędne hasło"});
    QVERIFY(!rig.window->LoggedIn);
    QCOMPARE(Shown(rig.ui().Edit_status), "POŁĄCZONY lime");
    QCOMPARE(Shown(rig.ui().Edit_logon), "WYLOGOWANY red");
    QCOMPARE(EnabledControls(*rig.window), Enabled::ConnectedLoggedOut);
    QVERIFY(rig.window->ComPort.Connected());

    // The user types the right password and logs in on the port that is still open.
    QVERIFY(rig.sim.SetFaults({}));
    Type(rig.ui().Edit_haslo, QString::fromLatin1(password));
    LOG_IN(rig);
    QCOMPARE(Payloads(rig.Requests(Cmd::Login)), (QList<QByteArray>{typed.toLatin1(), password}));
  } else {
    QVERIFY(rig.boxes.Summaries().isEmpty());
    QVERIFY(rig.window->LoggedIn);
  }
  QCOMPARE(Shown(rig.ui().Edit_status), "POŁĄCZONY lime");
  QCOMPARE(Shown(rig.ui().Edit_logon), "ZALOGOWANY lime");
  QVERIFY(!rig.ui().Edit_haslo->isEnabled());
  QVERIFY(rig.window->ComPort.Connected());
}

// Three attempts a second apart, then the box; the port stays open for another try.
void TestConnection::loginUnanswered() {
  WindowRig rig({.faults = {"silent"}, .stageStepMs = 0});
  START_RIG(rig);
  rig.Click(rig.ui().Button_polacz);

  const QList<LoggedRequest> logins = rig.Requests(Cmd::Login);
  QCOMPARE(Payloads(logins), (QList<QByteArray>{"7315", "7315", "7315"}));
  VERIFY_BETWEEN(logins[1].ms - logins[0].ms, 800, 1500);
  VERIFY_BETWEEN(logins[2].ms - logins[1].ms, 800, 1500);
  QCOMPARE(rig.boxes.Summaries(), QStringList{"Error: Brak odpowiedzi z nadajnika VELT"});
  VERIFY_BETWEEN(rig.boxes.Boxes()[0].shownMs - logins[0].ms, 2700, 3800);

  QVERIFY(rig.window->ComPort.Connected());
  QCOMPARE(Shown(rig.ui().Edit_status), "POŁĄCZONY lime");
  QCOMPARE(Shown(rig.ui().Edit_logon), "WYLOGOWANY red");
  QCOMPARE(EnabledControls(*rig.window), Enabled::ConnectedLoggedOut);
  QVERIFY(!rig.window->Timer.isActive());
}

void TestConnection::portDoesNotOpen_data() {
  QTest::addColumn<QString>("obstacle");
  QTest::addColumn<QString>("message");
  QTest::newRow("port gone") << "gone"
                             << "Nie ma portu %1: adapter mógł zostać odłączony.\n"
                                "Unable to open com port (Error: 2)";
  QTest::newRow("port held by another")
      << "held"
      << "Port %1 jest używany przez inny program: zamknij go i spróbuj ponownie.\n"
         "Unable to open com port (Error: 16)";
}

void TestConnection::portDoesNotOpen() {
  QFETCH(QString, obstacle);
  QFETCH(QString, message);

  WindowRig rig;
  START_RIG(rig);
  TComPort holder;
  if (obstacle == "gone") {
    QVERIFY(QFile::remove(rig.portPath));
  } else {
    holder.SetPort(QFile::encodeName(rig.portPath));
    holder.OpenPort();
    QVERIFY(holder.Connected());
  }
  // The component's error escapes the click and reaches the window's exception handler.
  rig.Click(rig.ui().Button_polacz);

  QCOMPARE(rig.boxes.Summaries(), QStringList{"Error: " + message.arg(rig.portPath)});
  QVERIFY(!rig.window->ComPort.Connected());
  QCOMPARE(Shown(rig.ui().Edit_status), "ROZŁĄCZONY red");
  QCOMPARE(Shown(rig.ui().Edit_logon), "WYLOGOWANY red");
  QCOMPARE(EnabledControls(*rig.window), Enabled::Disconnected);
  QVERIFY(rig.sim.Requests().isEmpty());

  // Once the port can be had, the same button connects.
  if (obstacle == "gone") {
    QString why;
    QVERIFY2(!rig.ports.AddLink("velt-sim", rig.sim.DevicePath(), &why).isEmpty(), qPrintable(why));
  } else {
    holder.ClosePort();
  }
  LOG_IN(rig);
}

void TestConnection::notASerialPort_data() {
  QTest::addColumn<QString>("target");  // what the port's link names; "session": a shell's terminal
  QTest::addColumn<QString>("why");
  QTest::newRow("regular file") << "file" << "(zwykły plik)";
  QTest::newRow("folder") << "folder" << "(folder)";
  QTest::newRow("no terminal") << "/dev/null" << "(urządzenie nie jest terminalem)";
  QTest::newRow("a session's terminal") << "session" << "(terminal, na którym działa sesja użytkownika)";
}

void TestConnection::notASerialPort() {
  QFETCH(QString, target);
  QFETCH(QString, why);
  WindowRig rig;
  START_RIG(rig);
  SessionTerminal terminal;
  QVERIFY(terminal.Ready());
  QTemporaryDir folder;
  QFile file(folder.filePath("port"));
  QVERIFY(file.open(QIODevice::WriteOnly));
  const QString path = target == "session" ? QString::fromLocal8Bit(terminal.Slave())
                       : target == "file"  ? file.fileName()
                       : target == "folder" ? folder.path()
                                            : target;
  QVERIFY(QFile::remove(rig.portPath) && QFile::link(path, rig.portPath));
  const QByteArray line = terminal.LineSettings();
  rig.Click(rig.ui().Button_polacz);

  QCOMPARE(rig.boxes.Summaries(), QStringList{QStringLiteral("Error: %1: to nie jest port szeregowy %2").arg(rig.portPath, why)});
  QVERIFY(!rig.window->ComPort.Connected());
  QCOMPARE(Shown(rig.ui().Edit_status), "ROZŁĄCZONY red");
  // Not a byte of the login, so not the password, went anywhere.
  char byte;
  QCOMPARE(::read(terminal.Master(), &byte, 1), ssize_t(-1));
  QCOMPARE(terminal.LineSettings(), line);  // the shell's terminal is left as it was
  QCOMPARE(file.size(), 0);
}

// A text that does not convert (a port setting, a number) is shown, then blamed on the port.
void TestConnection::conversionErrorNamesThePort() {
  WindowRig rig;
  START_RIG(rig);
  rig.ui().Button_polacz->setEnabled(false);
  try {
    StrToInt(QStringLiteral("x5"));
    QFAIL("StrToInt took \"x5\" for a number");
  } catch (const EConvertError& error) {
    rig.window->HandleException(rig.window.get(), error);
  }
  QCOMPARE(rig.boxes.Summaries(), (QStringList{"Error: 'x5' is not a valid integer value",
                                               "Error: Port COM niedostępny"}));
  QVERIFY(rig.ui().Button_polacz->isEnabled());
}

// Enter in the password field does what POŁĄCZ does, and nothing while POŁĄCZ cannot be pressed.
void TestConnection::enterInPasswordConnects() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  QTest::keyClick(rig.ui().Edit_haslo, Qt::Key_Return);
  QVERIFY2(rig.window->LoggedIn, qPrintable(rig.boxes.Summaries().join(" | ")));
  rig.ui().Edit_haslo->setEnabled(true);  // as if it could be typed into while logged in
  QTest::keyClick(rig.ui().Edit_haslo, Qt::Key_Return);
  QCOMPARE(rig.Requests(Cmd::Login).size(), 1);
  QVERIFY(rig.boxes.Summaries().isEmpty());
}

void TestConnection::menusFromTheKeyboard_data() {
  QTest::addColumn<QKeyCombination>("key");
  QTest::addColumn<QString>("menu");
  QTest::newRow("F10") << QKeyCombination(Qt::Key_F10) << "Plik1";
  QTest::newRow("Alt+P") << QKeyCombination(Qt::AltModifier, Qt::Key_P) << "Plik1";
  QTest::newRow("Alt+D") << QKeyCombination(Qt::AltModifier, Qt::Key_D) << "Dane1";
  QTest::newRow("Alt+I") << QKeyCombination(Qt::AltModifier, Qt::Key_I) << "Info1";
}

void TestConnection::menusFromTheKeyboard() {
  QFETCH(QKeyCombination, key);
  QFETCH(QString, menu);
  WindowRig rig;
  rig.OpenWindow();
  rig.window->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
  QTest::keyClick(rig.window.get(), key.key(), key.keyboardModifiers());
  auto* opened = rig.window->findChild<QMenu*>(menu);
  QVERIFY(opened);
  QTRY_VERIFY_WITH_TIMEOUT(opened->isVisible(), 1000);
  QTest::keyClick(opened, Qt::Key_Escape);
}
