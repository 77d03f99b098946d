// The port list control: what it lists, what it holds and what it writes to a linked port.
#include "com_combo_box.h"
#include "tst_ports.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

Q_DECLARE_METATYPE(TComProperty)

namespace {

// The linked port's value of a property, in its text form.
QString PortText(TCustomComPort& port, TComProperty property) {
  switch (property) {
    case cpNone: return {};
    case cpPort: return QFile::decodeName(port.Port());
    case cpBaudRate: return BaudRateText(port.BaudRate());
    case cpDataBits: return DataBitsText(port.DataBits());
    case cpStopBits: return StopBitsText(port.StopBits());
    case cpParity: return ParityText(port.Parity().Bits());
    case cpFlowControl: return FlowControlText(port.FlowControl().FlowControl());
  }
  return {};
}

QString ChoiceText(const TComChoice& choice, TComProperty property) {
  switch (property) {
    case cpNone: return {};
    case cpPort: return QFile::decodeName(choice.Port);
    case cpBaudRate: return BaudRateText(choice.BaudRate);
    case cpDataBits: return DataBitsText(choice.DataBits);
    case cpStopBits: return StopBitsText(choice.StopBits);
    case cpParity: return ParityText(choice.Parity);
    case cpFlowControl: return FlowControlText(choice.FlowControl);
  }
  return {};
}

// Settings no row expects, so that every write shows.
void SetUnusual(TCustomComPort& port) {
  port.SetPort("/dev/ttyUnused");
  port.SetBaudRate(br110);
  port.SetDataBits(dbFive);
  port.SetStopBits(sbTwoStopBits);
  port.Parity().SetBits(prSpace);
  port.FlowControl().SetFlowControl(fcSoftware);
}

QStringList Items(const QComboBox& box) {
  QStringList items;
  for (int i = 0; i < box.count(); ++i) items << box.itemText(i);
  return items;
}

}  // namespace

void TestComSelect::fillChoices_data() {
  QTest::addColumn<TComProperty>("property");
  QTest::addColumn<int>("count");
  QTest::addColumn<QString>("first");
  QTest::addColumn<QString>("last");
  QTest::newRow("baud rate") << cpBaudRate << 16 << "Custom" << "256000";
  QTest::newRow("data bits") << cpDataBits << 4 << "5" << "8";
  QTest::newRow("stop bits") << cpStopBits << 3 << "1" << "2";
  QTest::newRow("parity") << cpParity << 5 << "None" << "Space";
  QTest::newRow("flow control") << cpFlowControl << 4 << "Hardware" << "Custom";
  QTest::newRow("none") << cpNone << 0 << QString() << QString();
}

void TestComSelect::fillChoices() {
  QFETCH(TComProperty, property);
  QFETCH(int, count);
  QFETCH(QString, first);
  QFETCH(QString, last);
  TComComboBox box;
  // A refill replaces what an earlier property listed.
  box.Select().SetComProperty(cpStopBits);
  box.Select().SetComProperty(property);
  QCOMPARE(box.count(), count);
  QCOMPARE(box.currentIndex(), count > 0 ? 0 : -1);
  if (count > 0) {
    QCOMPARE(box.itemText(0), first);
    QCOMPARE(box.itemText(count - 1), last);
  }
}

void TestComSelect::linkedPortSelectsItsValue_data() {
  QTest::addColumn<TComProperty>("property");
  QTest::addColumn<QString>("value");
  QTest::newRow("baud rate") << cpBaudRate << "1200";
  QTest::newRow("data bits") << cpDataBits << "7";
  QTest::newRow("stop bits") << cpStopBits << "1.5";
  QTest::newRow("parity") << cpParity << "Even";
  QTest::newRow("flow control") << cpFlowControl << "Hardware";
}

void TestComSelect::linkedPortSelectsItsValue() {
  QFETCH(TComProperty, property);
  QFETCH(QString, value);
  TComPort port;
  TComComboBox probe;
  probe.Select().SetComProperty(property);
  probe.Select().SetComPort(&port);
  probe.Select().SetAutoApply(true);
  probe.Select().ApplyChoiceText(value);
  QCOMPARE(PortText(port, property), value);

  // Linking after filling, and filling after linking, both select the port's value.
  TComComboBox linkedLater, filledLater;
  linkedLater.Select().SetComProperty(property);
  linkedLater.Select().SetComPort(&port);
  filledLater.Select().SetComPort(&port);
  filledLater.Select().SetComProperty(property);
  for (TComComboBox* box : {&linkedLater, &filledLater}) {
    QCOMPARE(box->Text(), value);
    QCOMPARE(ChoiceText(box->Select().Choice(), property), value);
  }
}

void TestComSelect::applyChoiceText_data() {
  QTest::addColumn<TComProperty>("property");
  QTest::addColumn<QString>("text");
  QTest::addColumn<bool>("autoApply");
  QTest::addColumn<QString>("held");
  QTest::addColumn<QString>("onPort");
  QTest::newRow("baud rate applied") << cpBaudRate << "19200" << true << "19200" << "19200";
  QTest::newRow("baud rate only held") << cpBaudRate << "19200" << false << "19200" << "110";
  QTest::newRow("unknown baud rate text") << cpBaudRate << "19200 " << true << "9600" << "9600";
  QTest::newRow("data bits") << cpDataBits << "6" << true << "6" << "6";
  QTest::newRow("stop bits") << cpStopBits << "1.5" << true << "1.5" << "1.5";
  QTest::newRow("parity in any case") << cpParity << "mark" << true << "Mark" << "Mark";
  QTest::newRow("flow control") << cpFlowControl << "hardware" << true << "Hardware"
                                << "Hardware";
  QTest::newRow("port name") << cpPort << "/dev/ttyV9" << true << "/dev/ttyV9" << "/dev/ttyV9";
  QTest::newRow("port name only held") << cpPort << "/dev/ttyV9" << false << "/dev/ttyV9"
                                       << "/dev/ttyUnused";
  QTest::newRow("nothing listed") << cpNone << "19200" << true << QString() << QString();
}

void TestComSelect::applyChoiceText() {
  QFETCH(TComProperty, property);
  QFETCH(QString, text);
  QFETCH(bool, autoApply);
  QFETCH(QString, held);
  QFETCH(QString, onPort);
  TComPort port;
  SetUnusual(port);
  TComComboBox box;
  box.Select().SetComProperty(property);
  box.Select().SetComPort(&port);
  box.Select().SetAutoApply(autoApply);
  box.Select().ApplyChoiceText(text);
  QCOMPARE(ChoiceText(box.Select().Choice(), property), held);
  QCOMPARE(PortText(port, property), onPort);
  if (property == cpNone) QCOMPARE(port.BaudRate(), br110);
}

// A choice made by the user is held, applied and announced; a refill by the program is not.
void TestComSelect::userChoice() {
  TComPort port;
  TComComboBox box;
  box.Select().SetComProperty(cpParity);
  box.Select().SetComPort(&port);
  box.Select().SetAutoApply(true);
  QSignalSpy changed(&box, &TComComboBox::OnChange);
  QCOMPARE(box.Text(), "None");

  QTest::keyClick(&box, Qt::Key_Down);
  QCOMPARE(box.Text(), "Odd");
  QCOMPARE(port.Parity().Bits(), prOdd);
  QCOMPARE(changed.count(), 1);

  box.setCurrentIndex(3);
  QCOMPARE(port.Parity().Bits(), prOdd);
  QCOMPARE(changed.count(), 1);
}

void TestComSelect::portDestroyed() {
  auto* port = new TComPort;
  port->SetBaudRate(br4800);
  TComComboBox box;
  box.Select().SetComProperty(cpBaudRate);
  box.Select().SetComPort(port);
  QCOMPARE(box.Text(), "4800");
  delete port;
  QCOMPARE(box.Select().ComPort(), nullptr);
  QCOMPARE(box.currentIndex(), 0);
  // Choosing without a port still holds the choice.
  box.Select().SetAutoApply(true);
  box.Select().ApplyChoiceText("600");
  QCOMPARE(box.Select().Choice().BaudRate, br600);

  // A list control gone first leaves nothing behind that the port's end could reach.
  TComPort second;
  auto* gone = new TComComboBox;
  gone->Select().SetComProperty(cpDataBits);
  gone->Select().SetComPort(&second);
  delete gone;
}

void TestComSelect::text() {
  TComComboBox box;
  QCOMPARE(box.Text(), QString());
  box.SetText("2");
  QCOMPARE(box.currentIndex(), -1);

  box.Select().SetComProperty(cpStopBits);
  box.SetText("2");
  QCOMPARE(box.currentIndex(), 2);
  box.SetText("3");
  QCOMPARE(box.Text(), "2");
  box.SetText("1.5");
  QCOMPARE(box.Text(), "1.5");
}

// The port list comes from discovery, in case-insensitive order; a virtual port in /tmp is there.
void TestComSelect::portList() {
  const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  QVERIFY(master >= 0);
  QVERIFY(::grantpt(master) == 0 && ::unlockpt(master) == 0);
  const QString slave = QString::fromLocal8Bit(::ptsname(master));
  const QString stem = QStringLiteral("/tmp/velt-ports-%1-").arg(::getpid());
  const QString upper = stem + 'B', lower = stem + 'a';
  QVERIFY(QFile::link(slave, upper));
  QVERIFY(QFile::link(slave, lower));
  const auto cleanup = qScopeGuard([&] {
    QFile::remove(upper);
    QFile::remove(lower);
    ::close(master);
  });

  TComPort port;
  port.SetPort(QFile::encodeName(upper));
  TComComboBox box;
  box.Select().SetComPort(&port);
  box.Select().SetComProperty(cpPort);
  const QStringList items = Items(box);
  QVERIFY2(items.indexOf(lower) >= 0 && items.indexOf(lower) < items.indexOf(upper),
           qPrintable(items.join(' ')));
  QStringList sorted = items;
  sorted.sort(Qt::CaseInsensitive);
  QCOMPARE(items, sorted);
  QCOMPARE(box.Text(), upper);

  box.Select().SetAutoApply(true);
  box.Select().ApplyChoiceText(lower);
  QCOMPARE(port.Port(), QFile::encodeName(lower));
}
