// The "Porty COM" dialog: its layout, its lists and its refresh button.
#include "form_jakie_com.h"
#include "tst_ports.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QScreen>
#include <QTest>

#include "dialog_keys.h"

namespace {

QString TextOf(QWidget* w) {
  if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
  if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
  if (auto* box = qobject_cast<QPlainTextEdit*>(w)) return box->toPlainText();
  return {};
}

}  // namespace

void TestFormJakieCOM::layout_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<QRect>("geometry");  // a label's width and height are not fixed: -1
  QTest::addColumn<QString>("text");
  QTest::newRow("Label1") << "Label1" << QRect(8, 8, -1, -1) << "Dostępne porty COM w systemie";
  QTest::newRow("PortyCom") << "PortyCom" << QRect(8, 24, 81, 137) << "";
  QTest::newRow("DevCom") << "DevCom" << QRect(88, 24, 185, 137) << "";
  QTest::newRow("Button1") << "Button1" << QRect(8, 168, 265, 25) << "Odświerz";
  QTest::newRow("Label_siec") << "Label_siec" << QRect(8, 200, -1, -1) << "Port sieciowy (nazwa i adres):";
  QTest::newRow("Edit_nazwa") << "Edit_nazwa" << QRect(8, 216, 81, 21) << "";
  QTest::newRow("Edit_adres") << "Edit_adres" << QRect(88, 216, 185, 21) << "";
  QTest::newRow("Button_dodaj") << "Button_dodaj" << QRect(8, 244, 129, 25) << "Dodaj";
  QTest::newRow("Button_usun") << "Button_usun" << QRect(144, 244, 129, 25) << "Usuń";
}

void TestFormJakieCOM::layout() {
  QFETCH(QString, name);
  QFETCH(QRect, geometry);
  QFETCH(QString, text);
  TFormJakieCOM form;
  auto* w = form.findChild<QWidget*>(name);
  QVERIFY(w);
  QCOMPARE(w->pos(), geometry.topLeft());
  if (geometry.width() >= 0) QCOMPARE(w->size(), geometry.size());
  QCOMPARE(TextOf(w), text);
  // Everything lies inside the client area.
  QVERIFY(QRect(0, 0, 281, 278).contains(w->geometry()));
  if (auto* label = qobject_cast<QLabel*>(w)) QVERIFY(label->width() >= label->sizeHint().width());
}

void TestFormJakieCOM::window() {
  QWidget owner;
  owner.setGeometry(200, 150, 700, 550);
  owner.show();
  TFormJakieCOM form(&owner);
  QCOMPARE(form.windowTitle(), "Porty COM");
  QVERIFY(form.isHidden());
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(form.size(), QSize(281, 278));
  QCOMPARE(form.minimumSize(), form.maximumSize());
  QVERIFY(!form.isModal());
  const Qt::WindowFlags flags = form.windowFlags();
  QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
  const QPoint offset = form.geometry().center() - owner.geometry().center();
  QVERIFY2(offset.manhattanLength() <= 4, qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
  const QString fault = DialogKeysFault(&form);
  QVERIFY2(fault.isEmpty(), qPrintable(fault));
}

// What is typed goes to the owner; it is cleared once kept, and stays to be corrected when not.
void TestFormJakieCOM::addsAndRemovesNetworkPorts_data() {
  QTest::addColumn<bool>("kept");
  QTest::newRow("kept") << true;
  QTest::newRow("refused") << false;
}

void TestFormJakieCOM::addsAndRemovesNetworkPorts() {
  QFETCH(bool, kept);
  TFormJakieCOM form;
  auto* name = form.findChild<QLineEdit*>("Edit_nazwa");
  auto* url = form.findChild<QLineEdit*>("Edit_adres");
  QVERIFY(name && url);
  QStringList calls;
  form.OnAddNetworkPort = [&](const QString& n, const QByteArray& u) {
    calls << n + u' ' + QString::fromUtf8(u);
    return kept;
  };
  form.OnRemoveNetworkPort = [&](const QString& n) {
    calls << n;
    return kept;
  };
  QTest::keyClicks(name, " szafa ");
  QTest::keyClicks(url, "rfc2217://[::1]:4001");
  QTest::mouseClick(form.findChild<QAbstractButton*>("Button_dodaj"), Qt::LeftButton);
  QCOMPARE(calls, QStringList{"szafa rfc2217://[::1]:4001"});
  QCOMPARE(name->text().isEmpty(), kept);
  QCOMPARE(url->text().isEmpty(), kept);
  name->setText("szafa");
  QTest::mouseClick(form.findChild<QAbstractButton*>("Button_usun"), Qt::LeftButton);
  QCOMPARE(calls.last(), "szafa");
  QCOMPARE(name->text().isEmpty(), kept);
}

void TestFormJakieCOM::showPorts_data() {
  QTest::addColumn<QByteArrayList>("ports");
  QTest::addColumn<QStringList>("devices");
  QTest::newRow("none") << QByteArrayList{} << QStringList{};
  QTest::newRow("one") << QByteArrayList{"/dev/ttyS0"} << QStringList{"Port szeregowy (serial8250)"};
  QTest::newRow("several, in the given order")
      << QByteArrayList{"/tmp/velt-sim", "/dev/ttyUSB0", "/dev/ttyS0"}
      << QStringList{"Port wirtualny (/dev/pts/3)", "FTDI FT232R USB UART (ftdi_sio)",
                     "Port szeregowy (serial8250)"};
}

void TestFormJakieCOM::showPorts() {
  QFETCH(QByteArrayList, ports);
  QFETCH(QStringList, devices);
  TFormJakieCOM form;
  auto* portyCom = form.findChild<QPlainTextEdit*>("PortyCom");
  auto* devCom = form.findChild<QPlainTextEdit*>("DevCom");
  QVERIFY(portyCom && devCom);
  // A second showing replaces the first.
  form.ShowPorts({"/dev/old0", "/dev/old1"}, {"old", "older"});
  form.ShowPorts(ports, devices);
  QStringList portLines;
  for (const QByteArray& p : ports) portLines << QString::fromUtf8(p);
  QCOMPARE(portyCom->toPlainText(), portLines.join('\n'));
  QCOMPARE(devCom->toPlainText(), devices.join('\n'));
}

// Linux names are longer than the form's narrow name box: the boxes widen so that each name is
// whole on its line (up to most of the screen, then it scrolls), the dialog stays centred on its
// owner, and the two boxes scroll as one so a name stays beside its description.
void TestFormJakieCOM::longNamesStayReadable_data() {
  QTest::addColumn<QByteArray>("name");
  QTest::addColumn<bool>("whole");
  QTest::newRow("a simulator's port") << QByteArray("/tmp/velt-sim-technik-stanowisko-2") << true;
  QTest::newRow("a USB adapter") << QByteArray("/dev/ttyUSB10") << true;
  QTest::newRow("beyond any screen") << QByteArray("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0-"
                                                   "and-a-very-long-suffix-beyond-any-screen-").repeated(4)
                                     << false;
}

void TestFormJakieCOM::longNamesStayReadable() {
  QFETCH(QByteArray, name);
  QFETCH(bool, whole);
  QWidget owner;
  owner.setGeometry(100, 80, 700, 550);
  owner.show();
  TFormJakieCOM form(&owner);
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QByteArrayList names;
  QStringList devices;
  for (int i = 0; i < 30; ++i) {
    names << name + QByteArray::number(i);
    devices << QStringLiteral("Port wirtualny (/dev/pts/%1)").arg(i);
  }
  form.ShowPorts(names, devices);
  auto* portyCom = form.findChild<QPlainTextEdit*>("PortyCom");
  auto* devCom = form.findChild<QPlainTextEdit*>("DevCom");
  QTest::qWait(0);
  QCOMPARE(portyCom->horizontalScrollBar()->maximum() == 0, whole);
  QVERIFY(portyCom->geometry().right() < devCom->geometry().right());
  const QRect screen = form.screen()->availableGeometry();
  QVERIFY(form.width() <= screen.width());
  for (QWidget* w : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
    QVERIFY2(form.rect().contains(w->geometry()), qPrintable(w->objectName()));
  QVERIFY((form.geometry().center() - owner.geometry().center()).manhattanLength() <= 4);
  // Scrolling either box brings the same lines into view in both.
  devCom->verticalScrollBar()->setValue(devCom->verticalScrollBar()->maximum());
  QVERIFY(devCom->verticalScrollBar()->value() > 0);
  QCOMPARE(portyCom->verticalScrollBar()->value(), devCom->verticalScrollBar()->value());
  portyCom->verticalScrollBar()->setValue(3);
  QCOMPARE(devCom->verticalScrollBar()->value(), 3);
}

void TestFormJakieCOM::refresh() {
  TFormJakieCOM form;
  int refreshes = 0;
  form.OnRefresh = [&] { ++refreshes; };
  auto* button = form.findChild<QAbstractButton*>("Button1");
  QVERIFY(button);
  QTest::mouseClick(button, Qt::LeftButton);
  QCOMPARE(refreshes, 1);
  // Without a handler the button does nothing.
  form.OnRefresh = nullptr;
  QTest::mouseClick(button, Qt::LeftButton);
  QCOMPARE(refreshes, 1);
}
