// The "Porty COM" dialog: its layout, its lists and its refresh button.
#include "form_jakie_com.h"
#include "tst_ports.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTest>

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
  QVERIFY(QRect(0, 0, 281, 202).contains(w->geometry()));
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
  QCOMPARE(form.size(), QSize(281, 202));
  QCOMPARE(form.minimumSize(), form.maximumSize());
  QVERIFY(!form.isModal());
  const Qt::WindowFlags flags = form.windowFlags();
  QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowMinimizeButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
  QVERIFY(!flags.testFlag(Qt::WindowContextHelpButtonHint));
  const QPoint offset = form.geometry().center() - owner.geometry().center();
  QVERIFY2(offset.manhattanLength() <= 4, qPrintable(QStringLiteral("%1,%2").arg(offset.x()).arg(offset.y())));
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

// Linux paths are longer than the box is wide: they stay on one line each and can be scrolled to.
void TestFormJakieCOM::longNamesStayReadable() {
  TFormJakieCOM form;
  auto* portyCom = form.findChild<QPlainTextEdit*>("PortyCom");
  QVERIFY(portyCom);
  form.ShowPorts({"/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "/dev/ttyS0"},
                 {"FTDI FT232R USB UART (ftdi_sio)", "Port szeregowy (serial8250)"});
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  QCOMPARE(portyCom->document()->lineCount(), 2);
  QVERIFY(portyCom->horizontalScrollBar()->maximum() > 0);
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
