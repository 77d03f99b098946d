#include <QSignalSpy>
#include <QTest>

#include "colours.h"
#include "form_fixture.h"
#include "status_display.h"
#include "tst_app_form.h"

namespace {
// A lamp's colour as one letter: L lime, R red, B button face, ? anything else.
QChar LampLetter(const QLabel* lamp) {
  const QColor c = lamp->palette().color(QPalette::Window);
  if (c == QColor(Colours::Lime)) return 'L';
  if (c == QColor(Colours::Red)) return 'R';
  if (c == Colours::ButtonFace()) return 'B';
  return '?';
}

QString Lamps(std::initializer_list<const QLabel*> lamps) {
  QString letters;
  for (const QLabel* lamp : lamps) letters += LampLetter(lamp);
  return letters;
}

QString InputLamps(const Ui::TMain& ui) {
  return Lamps({ui.PanelIN1, ui.PanelIN2, ui.PanelIN3, ui.PanelIN4, ui.PanelIN5});
}
QString OutputLamps(const Ui::TMain& ui) { return Lamps({ui.PanelPK, ui.PanelOut2, ui.PanelOut3}); }

const QByteArray Example = QByteArray::fromHex("0580130F0201");
}  // namespace

void TestStatusDisplay::statusReply_data() {
  QTest::addColumn<QByteArray>("payload");
  QTest::addColumn<QString>("inputs");
  QTest::addColumn<QString>("outputs");
  QTest::addColumn<QString>("events");
  QTest::addColumn<QString>("tamper");
  QTest::addColumn<QString>("stage");
  QTest::addColumn<int>("gauge");
  QTest::addColumn<QString>("gaugeText");
  QTest::addColumn<QString>("sms");
  QTest::addColumn<QString>("voice");

  const QString connected = QStringLiteral("Połączony z siecią GSM");
  QTest::newRow("example") << Example << "LRLRR" << "LLL" << "Zd: 0" << "L" << connected << 15 << "75%"
                           << "2 z" << "1 z";
  QTest::newRow("all events, tamper") << QByteArray::fromHex("00FF130F0000") << "RRRRR" << "LLL" << "Zd: 127"
                                      << "L" << connected << 15 << "75%" << "0 z" << "0 z";
  QTest::newRow("events without tamper") << QByteArray::fromHex("1F7F130F0000") << "LLLLL" << "LLL" << "Zd: 127"
                                         << "R" << connected << 15 << "75%" << "0 z" << "0 z";
  QTest::newRow("all outputs active") << QByteArray::fromHex("E000130F0000") << "RRRRR" << "RRR" << "Zd: 0"
                                      << "R" << connected << 15 << "75%" << "0 z" << "0 z";
  QTest::newRow("Out1 active") << QByteArray::fromHex("2000130F0000") << "RRRRR" << "RLL" << "Zd: 0" << "R"
                               << connected << 15 << "75%" << "0 z" << "0 z";
  QTest::newRow("Out2 active, IN2") << QByteArray::fromHex("4200130F0000") << "RLRRR" << "LRL" << "Zd: 0" << "R"
                                    << connected << 15 << "75%" << "0 z" << "0 z";
  QTest::newRow("Out3 active, IN5") << QByteArray::fromHex("9005130F0000") << "RRRRL" << "LLR" << "Zd: 5" << "R"
                                    << connected << 15 << "75%" << "0 z" << "0 z";
  QTest::newRow("counters at most") << QByteArray::fromHex("0000130FFFFF") << "RRRRR" << "LLL" << "Zd: 0" << "R"
                                    << connected << 15 << "75%" << "255 z" << "255 z";
  QTest::newRow("longer payload: six bytes used") << QByteArray::fromHex("0580130F0201FFFF") << "LRLRR" << "LLL"
                                                  << "Zd: 0" << "L" << connected << 15 << "75%" << "2 z" << "1 z";

  // Signal levels: 99 means none; the gauge of 20 shows every level from 20 up full.
  const struct {
    int level, gauge;
    const char* text;
  } levels[] = {{0, 0, "0%"},    {1, 1, "5%"},     {19, 19, "95%"},  {20, 20, "100%"}, {21, 20, "100%"},
                {22, 20, "100%"}, {23, 20, "100%"}, {98, 20, "100%"}, {99, 0, "0%"},    {100, 20, "100%"},
                {255, 20, "100%"}};
  for (const auto& l : levels) {
    QByteArray payload = QByteArray::fromHex("000013000000");
    payload[3] = char(l.level);
    QTest::addRow("level %d", l.level) << payload << "RRRRR" << "LLL" << "Zd: 0" << "R" << connected << l.gauge
                                       << l.text << "0 z" << "0 z";
  }

  // Modem stages.
  const struct {
    int code;
    const char* text;
  } stages[] = {{0, "Załączenie modemu GSM"}, {1, "Załączenie modemu GSM"}, {2, "Załączenie modemu GSM"},
                {3, "Wykrywanie modemu GSM"}, {4, "Wykrywanie modemu GSM"}, {5, "Wykrywanie modemu GSM"},
                {6, "Wykrywanie modemu GSM"}, {7, "Sprawdzenie karty SIM"}, {8, "Sprawdzenie karty SIM"},
                {9, "Wprowadzanie PIN"},      {10, "Wprowadzanie PIN"},     {11, "Logowanie do sieci GSM"},
                {12, "Kasowanie SMS"},        {13, "Konfiguracja SMS"},     {14, "Konfiguracja SMS"},
                {15, "Zapis SMSC"},           {16, "Zapis SMSC"},           {17, "Odczyt poziomu RSSI"},
                {18, "Odczyt poziomu RSSI"},  {19, "Połączony z siecią GSM"}, {100, "RESET modemu GSM"},
                {20, ""},                     {99, ""},                     {101, ""},
                {255, ""}};
  for (const auto& s : stages) {
    QByteArray payload = QByteArray::fromHex("000000000000");
    payload[2] = char(s.code);
    QTest::addRow("stage %d", s.code) << payload << "RRRRR" << "LLL" << "Zd: 0" << "R"
                                      << QString::fromUtf8(s.text) << 0 << "0%" << "0 z" << "0 z";
  }
}

void TestStatusDisplay::statusReply() {
  QFETCH(QByteArray, payload);
  Form form;
  StatusDisplay status(form.ui);
  status.ShowStatusOn();
  status.ShowStatusReply(payload);

  QTEST(InputLamps(form.ui), "inputs");
  QTEST(OutputLamps(form.ui), "outputs");
  QTEST(form.ui.LabelZd->text(), "events");
  QTEST(QString(LampLetter(form.ui.PanelFab)), "tamper");
  QTEST(form.ui.StatusBar->text(), "stage");
  QTEST(form.ui.BarRSSI->value(), "gauge");
  QTEST(form.ui.BarRSSI->text(), "gaugeText");
  QTEST(form.ui.LabelSMS->text(), "sms");
  QTEST(form.ui.LabelVoice->text(), "voice");
  QVERIFY(form.ui.Icon_get->isEnabled());
  QVERIFY(form.ui.Icon_put->isEnabled());
}

void TestStatusDisplay::shortReplyIgnored_data() {
  QTest::addColumn<QByteArray>("payload");
  QTest::newRow("empty") << QByteArray();
  QTest::newRow("one byte") << QByteArray::fromHex("FF");
  QTest::newRow("five bytes") << QByteArray::fromHex("FFFF0014FF");
}

void TestStatusDisplay::shortReplyIgnored() {
  QFETCH(QByteArray, payload);
  Form form;
  StatusDisplay status(form.ui);
  status.ShowStatusOn();
  status.ShowStatusReply(payload);
  QVERIFY(!form.ui.Icon_get->isEnabled());
  QVERIFY(!form.ui.Icon_put->isEnabled());
  QCOMPARE(form.ui.LabelSMS->text(), QString());

  status.ShowStatusReply(Example);
  status.ShowStatusReply(payload);
  QCOMPARE(InputLamps(form.ui), QStringLiteral("LRLRR"));
  QCOMPARE(OutputLamps(form.ui), QStringLiteral("LLL"));
  QCOMPARE(form.ui.LabelZd->text(), QStringLiteral("Zd: 0"));
  QCOMPARE(form.ui.StatusBar->text(), QStringLiteral("Połączony z siecią GSM"));
  QCOMPARE(form.ui.BarRSSI->value(), 15);
  QCOMPARE(form.ui.LabelSMS->text(), QStringLiteral("2 z"));
  QCOMPARE(form.ui.LabelVoice->text(), QStringLiteral("1 z"));
}

void TestStatusDisplay::statusOff() {
  Form form;
  StatusDisplay status(form.ui);
  status.ShowStatusOn();
  status.ShowFirmwareVersion('6');  // disables BoxAutotest
  status.ShowStatusReply(Example);
  QVERIFY(!form.ui.BoxAutotest->isEnabled());

  status.ShowStatusOff();
  QVERIFY(!status.StatusDisplayOn);
  QVERIFY(form.ui.StatusBar->isHidden());
  QCOMPARE(InputLamps(form.ui), QStringLiteral("BBBBB"));
  QCOMPARE(OutputLamps(form.ui), QStringLiteral("BBB"));
  QCOMPARE(LampLetter(form.ui.PanelFab), QChar('B'));
  QCOMPARE(form.ui.LabelSMS->text(), QString());
  QCOMPARE(form.ui.LabelVoice->text(), QString());
  QVERIFY(form.ui.BoxAutotest->isEnabled());
  // What the logout resets separately stays.
  QCOMPARE(form.ui.LabelZd->text(), QStringLiteral("Zd: 0"));
  QCOMPARE(form.ui.BarRSSI->value(), 15);
  QCOMPARE(form.ui.TextWersja->text(), QStringLiteral("VELT v 1.6"));
}

void TestStatusDisplay::statusOn() {
  Form form;
  StatusDisplay status(form.ui);
  QVERIFY(!status.StatusDisplayOn);
  QVERIFY(!form.ui.StatusBar->isHidden());
  status.ShowStatusReply(Example);
  status.ShowStatusOff();
  status.ShowStatusReply(Example);

  status.ShowStatusOn();
  QVERIFY(status.StatusDisplayOn);
  QVERIFY(!form.ui.StatusBar->isHidden());
  QCOMPARE(form.ui.StatusBar->text(), QString());
  QCOMPARE(form.ui.LabelSMS->text(), QString());
  QCOMPARE(form.ui.LabelVoice->text(), QString());
  // The lamps wait for the next reply.
  QCOMPARE(InputLamps(form.ui), QStringLiteral("LRLRR"));
  QCOMPARE(LampLetter(form.ui.PanelFab), QChar('L'));
}

void TestStatusDisplay::firmwareVersion_data() {
  QTest::addColumn<int>("version");
  QTest::addColumn<QString>("caption");
  QTest::addColumn<bool>("autotest");   // enabled and still ticked
  QTest::addColumn<bool>("miniPanel");  // enabled and still ticked

  const QString unknown = QStringLiteral("VELT v ...");
  QTest::newRow("\"6\"") << int('6') << "VELT v 1.6" << false << false;
  QTest::newRow("\"7\"") << int('7') << "VELT v 1.7" << true << false;
  QTest::newRow("\"8\"") << int('8') << "VELT v 1.8" << true << true;
  QTest::newRow("\"9\"") << int('9') << "VELT v 1.9" << true << true;
  QTest::newRow("\":\"") << int(':') << "VELT v 2.0" << true << true;
  QTest::newRow("\"0\"") << int('0') << "VELT v 1.0" << false << false;
  QTest::newRow("0xFF") << 0xFF << "VELT v 21.7" << true << true;
  QTest::newRow("\"/\" (below \"0\")") << int('/') << unknown << true << true;
  QTest::newRow("NUL") << 0 << unknown << true << true;
}

void TestStatusDisplay::firmwareVersion() {
  QFETCH(int, version);
  QFETCH(QString, caption);
  QFETCH(bool, autotest);
  QFETCH(bool, miniPanel);
  Form form;
  StatusDisplay status(form.ui);
  form.ui.BoxAutotest->setChecked(true);
  form.ui.BoxIN1blok->setChecked(true);

  status.ShowFirmwareVersion(quint8(version));
  QCOMPARE(form.ui.TextWersja->text(), caption);
  const QColor expected = caption == QStringLiteral("VELT v ...") ? Colours::Grey : Colours::Black;
  QCOMPARE(form.ui.TextWersja->palette().color(QPalette::WindowText), expected);
  QCOMPARE(form.ui.BoxAutotest->isEnabled(), autotest);
  QCOMPARE(form.ui.BoxAutotest->isChecked(), autotest);
  QCOMPARE(form.ui.BoxIN1blok->isEnabled(), miniPanel);
  QCOMPARE(form.ui.BoxIN1blok->isChecked(), miniPanel);
}

void TestStatusDisplay::miniPanelUntickRunsItsReaction() {
  Form form;
  StatusDisplay status(form.ui);
  form.ui.BoxIN1blok->setChecked(true);
  QSignalSpy toggled(form.ui.BoxIN1blok, &QCheckBox::toggled);
  status.ShowFirmwareVersion('7');
  QCOMPARE(toggled.count(), 1);
  QCOMPARE(toggled.at(0).at(0).toBool(), false);
  status.ShowFirmwareVersion('6');  // already clear: nothing to react to
  QCOMPARE(toggled.count(), 1);
}

void TestStatusDisplay::resetVersionAndGauge() {
  Form form;
  StatusDisplay status(form.ui);
  status.ShowFirmwareVersion('7');
  status.ShowStatusReply(Example);
  status.ResetVersionAndGauge();
  QCOMPARE(form.ui.TextWersja->text(), QStringLiteral("VELT v ..."));
  QCOMPARE(form.ui.TextWersja->palette().color(QPalette::WindowText), QColor(Colours::Grey));
  QCOMPARE(form.ui.BarRSSI->value(), 0);
  QCOMPARE(form.ui.BarRSSI->text(), QStringLiteral("0%"));
}
