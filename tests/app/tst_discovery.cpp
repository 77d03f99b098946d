// The ports the window finds at start-up, the "Porty COM" list, and choosing among them.
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include "commands.h"
#include "tst_app.h"
#include "version.h"
#include "window_rig.h"

// A step of checks in a helper or lambda: a failure in it ends the test.
#define STEP(call)                              \
  do {                                          \
    call;                                       \
    if (QTest::currentTestFailed()) return;     \
  } while (0)

namespace {
QStringList Relative(const PortFolder& ports, const QStringList& paths) {
  QStringList relative;
  for (const QString& path : paths) relative << ports.Relative(path);
  return relative;
}

QStringList ComboItems(const QComboBox* combo) {
  QStringList items;
  for (int i = 0; i < combo->count(); ++i) items << combo->itemText(i);
  return items;
}

QStringList Decoded(const QByteArrayList& names) {
  QStringList decoded;
  for (const QByteArray& name : names) decoded << QFile::decodeName(name);
  return decoded;
}

QStringList Lines(const QPlainTextEdit* box) {
  const QString text = box->toPlainText();
  return text.isEmpty() ? QStringList{} : text.split('\n');
}

// Uarts and virtual ports (all linked to the simulator) in a port folder; "PTY" in descriptions
// stands for the simulator's pseudo-terminal.
void Lay(PortFolder& ports, const Simulator& sim, const QStringList& uarts, const QStringList& links) {
  QString why;
  for (const QString& uart : uarts) QVERIFY2(ports.AddUart(uart, &why), qPrintable(why));
  for (const QString& link : links)
    QVERIFY2(!ports.AddLink(link, sim.DevicePath(), &why).isEmpty(), qPrintable(why));
}
}  // namespace

void TestDiscovery::startUp_data() {
  QTest::addColumn<QStringList>("uarts");
  QTest::addColumn<QStringList>("links");
  QTest::addColumn<QStringList>("ports");
  QTest::addColumn<QStringList>("descriptions");

  const QString uart = QStringLiteral("Port szeregowy (serial8250)");
  const QString virt = QStringLiteral("Port wirtualny (PTY)");
  QTest::newRow("no port") << QStringList{} << QStringList{} << QStringList{} << QStringList{};
  QTest::newRow("the simulator's port") << QStringList{} << QStringList{"velt-sim"} << QStringList{"ports/velt-sim"}
                                        << QStringList{virt};
  QTest::newRow("virtual ports by name, then uarts in natural order")
      << QStringList{"ttyS10", "ttyS2"} << QStringList{"zz-sim", "aa-sim"}
      << QStringList{"ports/aa-sim", "ports/zz-sim", "dev/ttyS2", "dev/ttyS10"}
      << QStringList{virt, virt, uart, uart};
}

void TestDiscovery::startUp() {
  QFETCH(QStringList, uarts);
  QFETCH(QStringList, links);
  QFETCH(QStringList, ports);
  QFETCH(QStringList, descriptions);

  WindowRig rig;
  QString why;
  QVERIFY2(rig.sim.Start(&why), qPrintable(why));
  STEP(Lay(rig.ports, rig.sim, uarts, links));
  descriptions.replaceInStrings("PTY", rig.sim.DevicePath());
  rig.OpenWindow();
  TMain& window = *rig.window;

  QCOMPARE(window.windowTitle(), "VELT Razave v " + VeltVersion());
  QCOMPARE(Relative(rig.ports, ComboItems(window.ui.ComCombo)), ports);
  QCOMPARE(Relative(rig.ports, Decoded(window.PortNames)), ports);
  QCOMPARE(window.DeviceNames, descriptions);
  QCOMPARE(window.ui.ComCombo->currentIndex(), ports.isEmpty() ? -1 : 0);
  if (!ports.isEmpty()) QCOMPARE(window.ComPort.Port(), QFile::encodeName(rig.ports.Path(ports.first())));
  QStringList enabled = Enabled::Disconnected;
  if (ports.isEmpty()) enabled.removeAll("Button_polacz");
  QCOMPARE(EnabledControls(window), enabled);
  QCOMPARE(Shown(window.ui.Edit_status), "ROZŁĄCZONY red");
  QVERIFY(rig.boxes.Summaries().isEmpty());
}

void TestDiscovery::portListDialog_data() {
  QTest::addColumn<QStringList>("uarts");
  QTest::addColumn<QStringList>("links");
  QTest::newRow("no port") << QStringList{} << QStringList{};
  QTest::newRow("a uart and the simulator") << QStringList{"ttyS0"} << QStringList{"velt-sim"};
}

void TestDiscovery::portListDialog() {
  QFETCH(QStringList, uarts);
  QFETCH(QStringList, links);

  WindowRig rig;
  QString why;
  QVERIFY2(rig.sim.Start(&why), qPrintable(why));
  STEP(Lay(rig.ports, rig.sim, uarts, links));
  rig.OpenWindow();
  rig.Click(rig.ui().ButtonCom);

  auto* dialog = rig.window->findChild<QDialog*>("TFormJakieCOM");
  QVERIFY(dialog);
  QVERIFY(dialog->isVisible());
  QVERIFY(!dialog->isModal());
  QCOMPARE(dialog->windowTitle(), "Porty COM");
  QCOMPARE(Lines(dialog->findChild<QPlainTextEdit*>("PortyCom")), Decoded(rig.window->PortNames));
  QCOMPARE(Lines(dialog->findChild<QPlainTextEdit*>("DevCom")), rig.window->DeviceNames);
  QCOMPARE(rig.window->PortNames.size(), uarts.size() + links.size());
  QVERIFY(rig.boxes.Summaries().isEmpty());
}

// The user picks the second port; every refresh goes back to the first; a connect uses the
// port chosen last.
// A refresh keeps the user's port chosen by name, also when others come before it.
void TestDiscovery::refreshKeepsTheChosenPort() {
  WindowRig rig({.stageStepMs = 0});
  Simulator other({.stageStepMs = 0});
  QString why;
  QVERIFY2(rig.sim.Start(&why), qPrintable(why));
  QVERIFY2(other.Start(&why), qPrintable(why));
  const QString first = rig.ports.AddLink("b-sim", other.DevicePath(), &why);
  const QString second = rig.ports.AddLink("c-sim", rig.sim.DevicePath(), &why);
  QVERIFY2(!first.isEmpty() && !second.isEmpty(), qPrintable(why));
  rig.OpenWindow();
  QComboBox* combo = rig.ui().ComCombo;
  QCOMPARE(combo->currentIndex(), 0);
  QCOMPARE(rig.window->ComPort.Port(), QFile::encodeName(first));

  QTest::keyClick(combo, Qt::Key_Down);  // activates the next port, as the user's choice
  QCOMPARE(rig.window->ComPort.Port(), QFile::encodeName(second));
  const auto secondKept = [&] {
    QCOMPARE(combo->currentText(), second);
    QCOMPARE(rig.window->ComPort.Port(), QFile::encodeName(second));
    QCOMPARE(rig.ui().Button_polacz->isEnabled(), !rig.window->LoggedIn);
  };
  rig.Click(rig.ui().ButtonCom);
  STEP(secondKept());

  // "Odświerz" in the dialog refreshes the same way, and sees a port that came meanwhile ahead of it.
  const QString third = rig.ports.AddLink("a-sim", other.DevicePath(), &why);
  QVERIFY2(!third.isEmpty(), qPrintable(why));
  auto* dialog = rig.window->findChild<QDialog*>("TFormJakieCOM");
  QVERIFY(dialog && dialog->isVisible());
  rig.Click(dialog->findChild<QPushButton*>("Button1"));
  STEP(secondKept());
  QCOMPARE(ComboItems(combo), (QStringList{third, first, second}));
  QCOMPARE(Lines(dialog->findChild<QPlainTextEdit*>("PortyCom")), (QStringList{third, first, second}));

  // While connected, a refresh never moves the open connection to another port.
  LOG_IN(rig);
  rig.Click(rig.ui().ButtonCom);
  STEP(secondKept());
  QVERIFY(rig.window->ComPort.Connected());
  QVERIFY(rig.window->LoggedIn);
  QTRY_VERIFY_WITH_TIMEOUT(rig.Requests(Cmd::Status).size() >= 1, 2500);
  QCOMPARE(rig.Requests(Cmd::Login).size(), 1);
  QVERIFY(other.Requests().isEmpty());
  QVERIFY(rig.boxes.Summaries().isEmpty());
}
