// The "Porty COM" dialog: its layout, its lists and its refresh button.
#include "form_jakie_com.h"
#include "tst_ports.h"

#include <QAbstractButton>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <QTreeWidget>

#include "dialog_keys.h"

namespace {

// The rows as shown: "name | description".
QStringList Rows(const TFormJakieCOM& form) {
  const auto* list = form.findChild<QTreeWidget*>("ListaPortow");
  QStringList rows;
  for (int r = 0; r < list->topLevelItemCount(); ++r)
    rows << list->topLevelItem(r)->text(0) + " | " + list->topLevelItem(r)->text(1);
  return rows;
}

}  // namespace

// The caption above, the list, "Odświerz" below, in that order, all inside the dialog.
void TestFormJakieCOM::layout() {
  TFormJakieCOM form;
  form.show();
  QVERIFY(QTest::qWaitForWindowExposed(&form));
  auto* label = form.findChild<QLabel*>("Label1");
  auto* list = form.findChild<QTreeWidget*>("ListaPortow");
  auto* button = form.findChild<QAbstractButton*>("Button1");
  QVERIFY(label && list && button);
  QCOMPARE(label->text(), "Dostępne porty COM w systemie");
  QCOMPARE(button->text(), "Odświerz");
  QVERIFY(label->geometry().bottom() < list->geometry().top());
  QVERIFY(list->geometry().bottom() < button->geometry().top());
  for (QWidget* w : {static_cast<QWidget*>(label), static_cast<QWidget*>(list), static_cast<QWidget*>(button)})
    QVERIFY(form.rect().contains(w->geometry()));
  QVERIFY(label->width() >= label->sizeHint().width());
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
  // A second showing replaces the first.
  form.ShowPorts({"/dev/old0", "/dev/old1"}, {"old", "older"});
  form.ShowPorts(ports, devices);
  QStringList rows;
  for (qsizetype i = 0; i < ports.size(); ++i) rows << QString::fromUtf8(ports[i]) + " | " + devices[i];
  QCOMPARE(Rows(form), rows);
}

// Linux names are longer than the Part's narrow column: each is shown whole (or, beyond the
// widest column, shortened with the whole name as its hint), beside its description in the
// same row, and the rows scroll together.
void TestFormJakieCOM::longNamesStayReadable_data() {
  QTest::addColumn<QByteArray>("name");
  QTest::addColumn<bool>("whole");
  QTest::newRow("a simulator's port") << QByteArray("/tmp/velt-sim-technik-stanowisko-2") << true;
  QTest::newRow("a USB adapter") << QByteArray("/dev/ttyUSB10") << true;
  QTest::newRow("a path by id") << QByteArray("/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0-"
                                              "and-a-very-long-suffix-beyond-any-screen") << false;
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
  auto* list = form.findChild<QTreeWidget*>("ListaPortow");
  QTest::qWait(0);
  const int needed = list->fontMetrics().horizontalAdvance(QString::fromUtf8(names.last()));
  QCOMPARE(list->columnWidth(0) > needed, whole);
  QVERIFY(list->columnWidth(0) > 81);
  QCOMPARE(list->topLevelItem(29)->toolTip(0), QString::fromUtf8(names.last()));
  // Everything fits the dialog, which stays on the screen and centred on its owner.
  QVERIFY(form.width() <= form.screen()->availableGeometry().width());
  QVERIFY((form.geometry().center() - owner.geometry().center()).manhattanLength() <= 4);
  // One list, one vertical scroll: the last name and its description come into view together.
  list->scrollToItem(list->topLevelItem(29));
  const QRect row = list->visualItemRect(list->topLevelItem(29));
  QVERIFY(list->viewport()->rect().intersects(row));
  QCOMPARE(list->itemAt(row.center())->text(1), devices.last());
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
