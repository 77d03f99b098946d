// The record bound to the window: what a read reply puts into the controls and the colour it
// leaves them in, what marks a control edited, the input-mode colours and the bytes of an item.
#include <QCheckBox>
#include <QLineEdit>
#include <QTest>

#include "config_view.h"
#include "convert_error.h"
#include "operator_presets.h"
#include "tst_app_config.h"
#include "window_rig.h"

namespace {
constexpr quint8 Read(int k) { return quint8(4 + 2 * k); }

QByteArray Bytes(const char* hex) { return QByteArray::fromHex(hex); }

QByteArray Preset(int entry) { return OperatorPresets::Preset(entry); }
QString Shows(const char* text, int entry) { return QString::fromLatin1(text) + QString::fromLatin1(Preset(entry)); }

const QString OptionControls = QStringLiteral("^(BoxPotw|BoxAutotest|BoxIN1blok|BoxOut1sygn|EditPotw)$");
const QString OptionBoxes = QStringLiteral("^Box(Potw|Autotest|IN1blok|Out1sygn)$");
const QString MatrixBoxes = QStringLiteral("^BoxIN[1-5][TS][1-4]$");
const QString OutputBoxes = QStringLiteral("^(BoxO(ut|UT)[1-3]NC|BoxOut[1-3]Mono)$");
const QString Times = QStringLiteral("^Out[1-3]Czas$");
const QString Operator = QStringLiteral("^(Edit_operator|Combo_operator)$");
}  // namespace

void TestBinding::applyReply_data() {
  QTest::addColumn<QStringList>("before");
  QTest::addColumn<int>("command");
  QTest::addColumn<QByteArray>("payload");
  QTest::addColumn<QString>("controls");  // the item's controls, by name
  QTest::addColumn<QString>("shown");
  QTest::addColumn<QString>("coloured");  // those that take the colour below; empty: all of them
  QTest::addColumn<QString>("colour");
  QTest::addColumn<int>("item");
  QTest::addColumn<QByteArray>("back");   // what the item encodes to afterwards

  const QStringList none;
  // Texts
  QTest::newRow("PIN with trailing NULs") << none << int(Read(0)) << QByteArray("1234\0\0", 6) << "^Edit_pin$"
                                          << "Edit_pin=1234" << "" << "yellow" << 0 << QByteArray("1234");
  QTest::newRow("input text with trailing NULs")
      << none << int(Read(8)) << QByteArray("Alarm\0\0\0", 8) << "^Edit_IN3N$" << "Edit_IN3N=Alarm" << ""
      << "green" << 8 << QByteArray("Alarm");
  QTest::newRow("text ends at its first NUL") << none << int(Read(16)) << QByteArray("ON\0XY", 5) << "^Edit_Out1zal$"
                                              << "Edit_Out1zal=ON" << "" << "orange" << 16 << QByteArray("ON");
  QTest::newRow("Windows-1250 letters") << none << int(Read(11)) << Bytes("aff3b3e620a5ca") << "^Edit_IN1A$"
                                        << QStringLiteral("Edit_IN1A=Żółć ĄĘ") << "" << "orange" << 11
                                        << Bytes("aff3b3e620a5ca");
  QTest::newRow("the five undefined bytes go back unchanged")
      << QStringList{"BoxPotw+"} << int(Read(28)) << Bytes("8183889098") << "^EditPotw$" << "" << "" << "window"
      << 28 << Bytes("8183889098");
  QTest::newRow("32 characters from the controller show whole")
      << none << int(Read(6)) << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345") << "^Edit_IN1N$"
      << "Edit_IN1N=ABCDEFGHIJKLMNOPQRSTUVWXYZ012345" << "" << "green" << 6
      << QByteArray("ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
  QTest::newRow("empty text") << QStringList{"Edit_Tel4=+48111"} << int(Read(5)) << QByteArray() << "^Edit_Tel4$"
                              << "Edit_Tel4=" << "" << "yellow" << 5 << QByteArray();
  QTest::newRow("IN2 off text, mini alarm panel") << QStringList{"BoxIN1blok+"} << int(Read(7)) << QByteArray("Brama")
                                                  << "^Edit_IN2N$" << "Edit_IN2N=Brama" << "" << "orange" << 7
                                                  << QByteArray("Brama");
  QTest::newRow("IN2 off text, normal mode") << none << int(Read(7)) << QByteArray("Brama") << "^Edit_IN2N$"
                                             << "Edit_IN2N=Brama" << "" << "green" << 7 << QByteArray("Brama");
  QTest::newRow("IN5 on text, mini alarm panel") << QStringList{"BoxIN1blok+"} << int(Read(15)) << QByteArray("Ruch")
                                                 << "^Edit_IN5A$" << "Edit_IN5A=Ruch" << "" << "green" << 15
                                                 << QByteArray("Ruch");
  QTest::newRow("Out3 off word") << none << int(Read(21)) << QByteArray("STOP") << "^Edit_Out3wyl$"
                                 << "Edit_Out3wyl=STOP" << "" << "green" << 21 << QByteArray("STOP");

  // The service centre and the operator list
  QTest::newRow("PLUS number with its NUL") << none << int(Read(1)) << Preset(2) + '\0' << Operator
                                            << Shows("Combo_operator=PLUS Edit_operator=", 2) << "^Edit_operator$"
                                            << "yellow" << 1 << Preset(2);
  QTest::newRow("PLUS number without its NUL") << none << int(Read(1)) << Preset(2) << Operator
                                               << Shows("Combo_operator=inny Edit_operator=", 2)
                                               << "^Edit_operator$" << "yellow" << 1 << Preset(2);
  QTest::newRow("PLUS number with two NULs") << none << int(Read(1)) << Preset(2) + QByteArray(2, '\0') << Operator
                                             << Shows("Combo_operator=inny Edit_operator=", 2)
                                             << "^Edit_operator$" << "yellow" << 1 << Preset(2);
  QTest::newRow("ORANGE number, list on inny") << QStringList{"Combo_operator#4", "Edit_operator=+48"}
                                               << int(Read(1)) << Preset(0) + '\0' << Operator
                                               << Shows("Combo_operator=ORANGE Edit_operator=", 0)
                                               << "^Edit_operator$" << "yellow" << 1 << Preset(0);
  QTest::newRow("another number") << none << int(Read(1)) << QByteArray("+48123456789\0", 13) << Operator
                                  << "Combo_operator=inny Edit_operator=+48123456789" << "^Edit_operator$"
                                  << "yellow" << 1 << QByteArray("+48123456789");

  // Option flags: each box's reaction runs before the next box is set
  const QStringList potwText{"EditPotw=Gotowe"};
  QTest::newRow("options 0x0C") << potwText << int(Read(27)) << Bytes("0c") << OptionControls
                                << "BoxIN1blok BoxOut1sygn EditPotw=Gotowe(disabled)" << OptionBoxes << "window"
                                << 27 << Bytes("0c");
  QTest::newRow("options 0x08, mini alarm panel ticked")
      << QStringList{"BoxIN1blok+", "EditPotw=Gotowe"} << int(Read(27)) << Bytes("08") << OptionControls
      << "BoxOut1sygn(disabled) EditPotw=Gotowe(disabled)" << OptionBoxes << "window" << 27 << Bytes("08");
  QTest::newRow("options 0x01 enables the confirmation text")
      << potwText << int(Read(27)) << Bytes("01") << OptionControls << "BoxPotw EditPotw=Gotowe" << OptionBoxes
      << "window" << 27 << Bytes("01");
  QTest::newRow("options 0x00 disables it, text kept")
      << QStringList{"BoxPotw+", "EditPotw=Gotowe"} << int(Read(27)) << Bytes("00") << OptionControls
      << "EditPotw=Gotowe(disabled)" << OptionBoxes << "window" << 27 << Bytes("00");
  QTest::newRow("options 0x0F") << potwText << int(Read(27)) << Bytes("0f") << OptionControls
                                << "BoxAutotest BoxIN1blok BoxOut1sygn BoxPotw EditPotw=Gotowe" << OptionBoxes
                                << "window" << 27 << Bytes("0f");
  QTest::newRow("options 0xF0: high bits ignored") << potwText << int(Read(27)) << Bytes("f0") << OptionControls
                                                   << "EditPotw=Gotowe(disabled)" << OptionBoxes << "window" << 27
                                                   << Bytes("00");
  QTest::newRow("options, empty reply ignored, boxes marked edited")
      << QStringList{"BoxPotw+", "EditPotw=Gotowe"} << int(Read(27)) << QByteArray() << OptionControls
      << "BoxPotw EditPotw=Gotowe" << OptionBoxes << "red" << 27 << Bytes("01");

  // Numbers
  QTest::newRow("times 0, 7, 200") << none << int(Read(24)) << Bytes("0007c8") << Times
                                   << "Out1Czas=0 Out2Czas=7 Out3Czas=200" << "" << "window" << 24 << Bytes("0007c8");
  QTest::newRow("times, short reply ignored, fields marked edited")
      << none << int(Read(24)) << Bytes("0102") << Times << "Out1Czas=5 Out2Czas=5 Out3Czas=5" << "" << "red" << 24
      << Bytes("050505");
  QTest::newRow("SMS limit 150") << none << int(Read(25)) << Bytes("96") << "^Edit_LimitSMS$" << "Edit_LimitSMS=150"
                                 << "" << "yellow" << 25 << Bytes("96");
  QTest::newRow("voice limit, empty reply ignored, field marked edited")
      << none << int(Read(26)) << QByteArray() << "^Edit_LimitVoice$" << "Edit_LimitVoice=0" << "" << "red" << 26
      << Bytes("00");

  // Boxes
  QTest::newRow("matrix: IN1 SMS to 1") << none << int(Read(22)) << Bytes("8000000000") << MatrixBoxes << "BoxIN1T1"
                                        << "" << "window" << 22 << Bytes("8000000000");
  QTest::newRow("matrix: IN2 SMS to 4") << none << int(Read(22)) << Bytes("0100000000") << MatrixBoxes << "BoxIN2T4"
                                        << "" << "window" << 22 << Bytes("0100000000");
  QTest::newRow("matrix: IN1 voice to 1") << none << int(Read(22)) << Bytes("0000080000") << MatrixBoxes
                                          << "BoxIN1S1" << "" << "window" << 22 << Bytes("0000080000");
  QTest::newRow("matrix: IN5 voice to 4") << none << int(Read(22)) << Bytes("0000000001") << MatrixBoxes
                                          << "BoxIN5S4" << "" << "window" << 22 << Bytes("0000000001");
  QTest::newRow("matrix: a clear reply clears") << QStringList{"BoxIN3T2+", "BoxIN4T1+"} << int(Read(22))
                                                << Bytes("0000000000") << MatrixBoxes << "" << "" << "window" << 22
                                                << Bytes("0000000000");
  QTest::newRow("matrix: short reply ignored, boxes marked edited")
      << QStringList{"BoxIN3T2+"} << int(Read(22)) << Bytes("ffffffff") << MatrixBoxes << "BoxIN3T2" << "" << "red"
      << 22 << Bytes("0040000000");
  QTest::newRow("outputs 0xFF") << none << int(Read(23)) << Bytes("ff") << OutputBoxes
                                << "BoxOUT3NC BoxOut1Mono BoxOut1NC BoxOut2Mono BoxOut2NC BoxOut3Mono" << ""
                                << "window" << 23 << Bytes("3f");
  QTest::newRow("outputs: Out1 NC and mono") << QStringList{"BoxOut3Mono+"} << int(Read(23)) << Bytes("24")
                                             << OutputBoxes << "BoxOut1Mono BoxOut1NC" << "" << "window" << 23
                                             << Bytes("24");

  // Not a read reply
  QTest::newRow("reply to a write") << none << 5 << QByteArray("1234") << "^Edit_pin$" << "Edit_pin=7315" << ""
                                    << "#0000ff" << 0 << QByteArray("7315");
}

void TestBinding::applyReply() {
  QFETCH(QStringList, before);
  QFETCH(int, command);
  QFETCH(QByteArray, payload);
  QFETCH(QString, controls);
  QFETCH(QString, shown);
  QFETCH(QString, coloured);
  QFETCH(QString, colour);
  QFETCH(int, item);
  QFETCH(QByteArray, back);

  WindowRig rig;
  rig.OpenWindow();
  TMain& window = *rig.window;
  QVERIFY(SetControls(window, before));
  const QList<QWidget*> itemControls = ControlsMatching(window, controls);
  QVERIFY(!itemControls.isEmpty());
  const QList<QWidget*> colouredControls = ControlsMatching(window, coloured.isEmpty() ? controls : coloured);
  // A colour of no state of the scheme, so that whatever colour is given shows.
  for (QWidget* control : colouredControls) Paint(control, Qt::blue);
  const ConfigRecord recordBefore = window.Binding->EncodeRecord();

  window.link.DispatchReply(quint8(command), payload);

  if (!shown.isEmpty()) QCOMPARE(::Shown(itemControls), shown);
  for (const QWidget* control : colouredControls) QCOMPARE(control->objectName() + ' ' + Colour(control), control->objectName() + ' ' + colour);
  const ConfigRecord recordAfter = window.Binding->EncodeRecord();
  QCOMPARE(recordAfter.value(item).toHex(' '), back.toHex(' '));
  for (int k = 0; k < 29; ++k)
    if (k != item) QVERIFY2(recordAfter.value(k) == recordBefore.value(k), qPrintable(QStringLiteral("item %1 changed").arg(k)));
  QVERIFY(rig.boxes.Summaries().isEmpty());
}

// A change marks the control edited, whoever made it; a box only when its own rule says so.
void TestBinding::colourOnChange_data() {
  QTest::addColumn<QString>("control");
  QTest::addColumn<QString>("how");  // "type" it, "set" it as a file would, "tick" it as a file would
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("after");

  QTest::newRow("telephone typed") << "Edit_Tel1" << "type" << "yellow" << "red";
  QTest::newRow("IN1 on text typed") << "Edit_IN1A" << "type" << "orange" << "red";
  QTest::newRow("IN3 off text typed") << "Edit_IN3N" << "type" << "green" << "red";
  QTest::newRow("Out2 off word typed") << "Edit_Out2wyl" << "type" << "green" << "red";
  QTest::newRow("time typed") << "Out1Czas" << "type" << "window" << "red";
  QTest::newRow("voice limit typed") << "Edit_LimitVoice" << "type" << "yellow" << "red";
  QTest::newRow("PIN set") << "Edit_pin" << "set" << "yellow" << "red";
  QTest::newRow("service centre set") << "Edit_operator" << "set" << "yellow" << "red";
  QTest::newRow("confirmation text set") << "EditPotw" << "set" << "window" << "red";
  QTest::newRow("BoxIN4T1 ticked") << "BoxIN4T1" << "tick" << "face" << "red";
  QTest::newRow("BoxIN5T1 ticked") << "BoxIN5T1" << "tick" << "face" << "red";
  QTest::newRow("BoxAutotest ticked") << "BoxAutotest" << "tick" << "face" << "red";
  QTest::newRow("BoxPotw ticked") << "BoxPotw" << "tick" << "face" << "red";
  QTest::newRow("BoxIN1blok ticked") << "BoxIN1blok" << "tick" << "face" << "red";
  QTest::newRow("other matrix box ticked: only its focus marks it") << "BoxIN1T1" << "tick" << "face" << "face";
  QTest::newRow("output box ticked: only its focus marks it") << "BoxOut2NC" << "tick" << "face" << "face";
}

void TestBinding::colourOnChange() {
  QFETCH(QString, control);
  QFETCH(QString, how);
  QFETCH(QString, before);
  QFETCH(QString, after);

  WindowRig rig;
  rig.OpenWindow();
  QWidget* w = Control(*rig.window, control);
  QVERIFY(w);
  QCOMPARE(Colour(w), before);
  if (how == "type") {
    Type(w, "1");
  } else if (how == "set") {
    QVERIFY(SetControls(*rig.window, {control + "=1"}));
  } else {
    QVERIFY(SetControls(*rig.window, {control + "+"}));
  }
  QCOMPARE(Colour(w), after);
}

// Switching the mini alarm-panel mode recolours IN2 to IN5, edited or not, and leaves IN1.
void TestBinding::inputModeColours_data() {
  QTest::addColumn<bool>("tickedBefore");
  QTest::newRow("ticked by a click") << false;
  QTest::newRow("cleared by a click") << true;
}

void TestBinding::inputModeColours() {
  QFETCH(bool, tickedBefore);

  WindowRig rig;
  rig.OpenWindow();
  TMain& window = *rig.window;
  QCheckBox* blok = window.ui.BoxIN1blok;
  QCheckBox* sygn = window.ui.BoxOut1sygn;
  QVERIFY(SetControls(window, {QStringLiteral("BoxIN1blok") + (tickedBefore ? "+" : "-")}));
  if (tickedBefore) QVERIFY(SetControls(window, {"BoxOut1sygn+"}));
  const QList<QWidget*> texts = ControlsMatching(window, "^Edit_IN[1-5][AN]$");
  QCOMPARE(texts.size(), 10);
  for (QWidget* text : texts) Type(text, "x");

  rig.Click(blok);
  const bool mini = !tickedBefore;
  QCOMPARE(blok->isChecked(), mini);
  QStringList expected, actual;
  for (const QWidget* text : texts) {
    const QString name = text->objectName();
    expected << name + ' ' + (name.startsWith("Edit_IN1") ? QStringLiteral("red") : InStepColour(name, mini));
    actual << name + ' ' + Colour(text);
  }
  QCOMPARE(actual, expected);
  QCOMPARE(Colour(blok), QStringLiteral("red"));
  QCOMPARE(sygn->isEnabled(), mini);
  QCOMPARE(sygn->isChecked(), false);
}

void TestBinding::encodeItem_data() {
  QTest::addColumn<QStringList>("settings");
  QTest::addColumn<int>("item");
  QTest::addColumn<QByteArray>("value");
  QTest::addColumn<QString>("failingField");  // the field an error names; empty: no error

  QTest::newRow("times 12, 5, 99") << QStringList{"Out1Czas=12", "Out2Czas=5", "Out3Czas=99"} << 24
                                   << Bytes("0c0563") << "";
  QTest::newRow("times: the low 8 bits") << QStringList{"Out1Czas=300", "Out2Czas=07", "Out3Czas=0"} << 24
                                         << Bytes("2c0700") << "";
  QTest::newRow("SMS limit 5") << QStringList{"Edit_LimitSMS=5"} << 25 << Bytes("05") << "";
  QTest::newRow("voice limit 150") << QStringList{"Edit_LimitVoice=150"} << 26 << Bytes("96") << "";
  QTest::newRow("empty time") << QStringList{"Out2Czas="} << 24 << QByteArray() << "Out2Czas";
  QTest::newRow("empty SMS limit") << QStringList{"Edit_LimitSMS="} << 25 << QByteArray() << "Edit_LimitSMS";
  QTest::newRow("empty voice limit") << QStringList{"Edit_LimitVoice="} << 26 << QByteArray() << "Edit_LimitVoice";
  QTest::newRow("pasted letters in a limit") << QStringList{"Edit_LimitVoice=1a"} << 26 << QByteArray()
                                             << "Edit_LimitVoice";
  QTest::newRow("confirmation text while disabled") << QStringList{} << 28 << QByteArray("OK") << "";
  QTest::newRow("Polish letters") << QStringList{QStringLiteral("Edit_IN1N=Żółć ąę")} << 6
                                  << Bytes("aff3b3e620b9ea") << "";
  QTest::newRow("other Windows-1250 characters") << QStringList{QStringLiteral("Edit_IN4A=€„”–")} << 14
                                                 << Bytes("80849496") << "";
  QTest::newRow("empty telephone") << QStringList{} << 3 << QByteArray() << "";
  QTest::newRow("no Windows-1250 character") << QStringList{QStringLiteral("Edit_IN1A=Жук")} << 11 << QByteArray()
                                             << "Edit_IN1A";
  QTest::newRow("matrix: IN1 SMS to 1") << QStringList{"BoxIN1T1+"} << 22 << Bytes("8000000000") << "";
  QTest::newRow("matrix: IN2 SMS to 4") << QStringList{"BoxIN2T4+"} << 22 << Bytes("0100000000") << "";
  QTest::newRow("matrix: IN1 voice to 1") << QStringList{"BoxIN1S1+"} << 22 << Bytes("0000080000") << "";
  QTest::newRow("matrix: IN5 voice to 4") << QStringList{"BoxIN5S4+"} << 22 << Bytes("0000000001") << "";
  QTest::newRow("outputs: Out3 NC, Out2 mono") << QStringList{"BoxOUT3NC+", "BoxOut2Mono+"} << 23 << Bytes("0a") << "";
  QTest::newRow("options: confirmation, mini panel, Out1 signal")
      << QStringList{"BoxPotw+", "BoxIN1blok+", "BoxOut1sygn+"} << 27 << Bytes("0d") << "";
}

void TestBinding::encodeItem() {
  QFETCH(QStringList, settings);
  QFETCH(int, item);
  QFETCH(QByteArray, value);
  QFETCH(QString, failingField);

  WindowRig rig;
  rig.OpenWindow();
  QVERIFY(SetControls(*rig.window, settings));
  try {
    const QByteArray encoded = rig.window->Binding->EncodeConfigItem(item);
    QVERIFY2(failingField.isEmpty(), qPrintable("no error for " + failingField));
    QCOMPARE(encoded.toHex(' '), value.toHex(' '));
  } catch (const EConvertError& error) {
    QVERIFY2(!failingField.isEmpty(), error.what());
    QVERIFY2(QString::fromUtf8(error.what()).contains(failingField), error.what());
  }
}
