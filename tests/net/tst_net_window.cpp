// The window on a network port: named in "COM?", chosen in the list, logged in through ser2net;
// the server goes, the window says so once and shows it; one POŁĄCZ resumes once it is back.
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>

#include "application.h"
#include "data_home.h"
#include "form_jakie_com.h"
#include "ser2net_server.h"
#include "window_rig.h"

class TestNetWindow : public QObject {
  Q_OBJECT
 private slots:
  void lostServerThenOnePolaczResumes();
  void refusalNamesTheNetworkPort();

 private:
  // Names the port in "COM?" and chooses it in the list.
  static void ChooseNetworkPort(WindowRig& rig, const QString& url);
};

void TestNetWindow::ChooseNetworkPort(WindowRig& rig, const QString& url) {
  rig.Click(rig.ui().ButtonCom);
  auto* dialog = rig.window->findChild<TFormJakieCOM*>();
  QVERIFY(dialog && dialog->isVisible());
  QTest::keyClicks(dialog->findChild<QLineEdit*>("Edit_nazwa"), "szafa");
  QTest::keyClicks(dialog->findChild<QLineEdit*>("Edit_adres"), url);
  rig.Click(dialog->findChild<QWidget*>("Button_dodaj"));
  QCOMPARE(rig.boxes.Boxes().size(), 0);
  QVERIFY(dialog->findChild<QPlainTextEdit*>("PortyCom")->toPlainText().split('\n').contains(url));
  QVERIFY(dialog->findChild<QPlainTextEdit*>("DevCom")->toPlainText().contains("Port sieciowy szafa"));
  const int index = rig.ui().ComCombo->findData(url.toUtf8());
  QVERIFY(index >= 0);
  rig.ui().ComCombo->setCurrentIndex(index);
  emit rig.ui().ComCombo->activated(index);
}

// Nothing listens: one box naming the network port, and the window stays disconnected.
void TestNetWindow::refusalNamesTheNetworkPort() {
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  const QString url = QStringLiteral("tcp://127.0.0.1:%1").arg(Ser2NetServer::FreePort());
  ChooseNetworkPort(rig, url);
  if (QTest::currentTestFailed()) return;
  rig.Click(rig.ui().Button_polacz);
  QCOMPARE(rig.boxes.Boxes().size(), 1);
  const QString summary = rig.boxes.Boxes().first().summary;
  QVERIFY2(summary.startsWith(QStringLiteral("Error: %1: port sieciowy nie przyjmuje połączeń").arg(url)), qPrintable(summary));
  QVERIFY(!rig.window->ComPort.Connected());
  QCOMPARE(EnabledControls(*rig.window), Enabled::Disconnected);
}

void TestNetWindow::lostServerThenOnePolaczResumes() {
  QTemporaryDir config;
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  Ser2NetServer server(rig.sim.DevicePath(), Ser2NetServer::Rfc2217);
  QString why;
  QVERIFY2(server.Start(&why), qPrintable(why));

  ChooseNetworkPort(rig, server.Url());
  if (QTest::currentTestFailed()) return;
  LOG_IN(rig);
  QCOMPARE(rig.window->ComPort.Port(), server.Url().toUtf8());

  server.Stop();
  QTRY_COMPARE_WITH_TIMEOUT(rig.boxes.Boxes().size(), 1, 3000);
  const QString summary = rig.boxes.Boxes().first().summary;
  QVERIFY2(summary.startsWith(QStringLiteral("Error: Utracono połączenie z portem %1: serwer portów zamknął połączenie").arg(server.Url())),
           qPrintable(summary));
  QVERIFY(!rig.window->ComPort.Connected());
  QVERIFY(!rig.window->LoggedIn);
  QCOMPARE(Shown(rig.ui().Edit_status), "ROZŁĄCZONY red");
  QCOMPARE(EnabledControls(*rig.window), Enabled::Disconnected);
  QCOMPARE(rig.ui().ComCombo->currentData().toByteArray(), server.Url().toUtf8());
  QTest::qWait(500);  // said once
  QCOMPARE(rig.boxes.Boxes().size(), 1);

  QVERIFY2(server.Start(&why), qPrintable(why));
  LOG_IN(rig);
  QCOMPARE(rig.boxes.Boxes().size(), 1);
  rig.Click(rig.ui().Button_rozlacz);
}

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  const DataHome dataHome;
  TestNetWindow test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_net_window.moc"
