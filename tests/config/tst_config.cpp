// The configuration items, their packings, the operator presets, the code page of the texts and
// the field rules, checked byte for byte.
#include <QStringEncoder>
#include <QTest>

#include "config_record.h"
#include "controller_state.h"
#include "cp1250.h"
#include "field_rules.h"
#include "frame.h"
#include "operator_presets.h"
#include "packings.h"

Q_DECLARE_METATYPE(KeySet)
Q_DECLARE_METATYPE(InputMatrix)

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

const ConfigItem& Item(const char* key) {
  const ConfigItem* item = ConfigItemByKey(key);
  if (!item) qFatal("no item %s", key);
  return *item;
}

// A matrix with the named boxes ticked: {input, phone, voice}.
struct Box {
  int input, phone;
  bool voice;
};
InputMatrix Matrix(std::initializer_list<Box> boxes) {
  InputMatrix matrix;
  for (const Box& b : boxes)
    matrix.bits[size_t(b.voice ? InputMatrix::VoiceBit(b.input, b.phone) : InputMatrix::SmsBit(b.input, b.phone))] = true;
  return matrix;
}
InputMatrix AllTicked() {
  InputMatrix matrix;
  matrix.bits.fill(true);
  return matrix;
}

const QString Polish = QStringLiteral("ąćęłńóśźżĄĆĘŁŃÓŚŹŻ");
const QByteArray PolishBytes = Hex("B9 E6 EA B3 F1 F3 9C 9F BF A5 C6 CA A3 D1 D3 8C 8F AF");

}  // namespace

class TstConfig : public QObject {
  Q_OBJECT

 private slots:
  void items_data();
  void items();
  void commandsOfNoItem();
  void defaultRecord();
  void matrix_data();
  void matrix();
  void shortValues();
  void flags();
  void fileFlags();
  void wholeFrames_data();
  void wholeFrames();
  void presets();
  void codePage();
  void keySets_data();
  void keySets();
  void leaveRules_data();
  void leaveRules();
  void parseAccepts_data();
  void parseAccepts();
  void parseRefuses_data();
  void parseRefuses();
  void formatValues_data();
  void formatValues();
};

void TstConfig::items_data() {
  QTest::addColumn<int>("k");
  QTest::addColumn<bool>("text");
  QTest::addColumn<int>("size");
  QTest::addColumn<KeySet>("keys");
  const auto row = [](const char* key, int k, bool text, int size, KeySet keys) {
    QTest::newRow(key) << k << text << size << keys;
  };
  row("pin", 0, true, 4, KeySet::Digits);
  row("sms_centre", 1, true, 13, KeySet::Telephone);
  for (int n = 1; n <= 4; ++n) row(qPrintable(QStringLiteral("phone%1").arg(n)), 1 + n, true, 13, KeySet::Telephone);
  for (int r = 1; r <= 5; ++r) {
    row(qPrintable(QStringLiteral("in%1_off_text").arg(r)), 5 + r, true, 30, KeySet::Any);
    row(qPrintable(QStringLiteral("in%1_on_text").arg(r)), 10 + r, true, 30, KeySet::Any);
  }
  row("out1_on_word", 16, true, 4, KeySet::NoSpace);
  row("out2_on_word", 17, true, 4, KeySet::NoSpace);
  row("out1_off_word", 18, true, 4, KeySet::NoSpace);
  row("out2_off_word", 19, true, 4, KeySet::NoSpace);
  row("out3_on_word", 20, true, 4, KeySet::NoSpace);
  row("out3_off_word", 21, true, 4, KeySet::NoSpace);
  row("input_matrix", 22, false, 5, KeySet::None);
  row("output_flags", 23, false, 1, KeySet::None);
  row("out_times", 24, false, 3, KeySet::Digits);
  row("limit_sms", 25, false, 1, KeySet::Digits);
  row("limit_voice", 26, false, 1, KeySet::Digits);
  row("options", 27, false, 1, KeySet::None);
  row("confirm_text", 28, true, 15, KeySet::Any);
}

void TstConfig::items() {
  QFETCH(int, k);
  QFETCH(bool, text);
  QFETCH(int, size);
  QFETCH(KeySet, keys);
  const ConfigItem* item = ConfigItemByKey(QTest::currentDataTag());
  QVERIFY(item);
  QCOMPARE(item, ConfigItemAt(k));
  QCOMPARE(item->index, k);
  QCOMPARE(item->isText(), text);
  QCOMPARE(item->size, size);
  QCOMPARE(item->keys, keys);
  QVERIFY(qstrlen(item->description) > 0);
  QCOMPARE(int(item->readCommand()), 4 + 2 * k);
  QCOMPARE(int(item->writeCommand()), 5 + 2 * k);
  QCOMPARE(ConfigItemOfCommand(quint8(4 + 2 * k)), item);
  QCOMPARE(ConfigItemOfCommand(quint8(5 + 2 * k)), item);
}

void TstConfig::commandsOfNoItem() {
  for (int command : {0, 1, 2, 3, 62, 63, 0x50, 0x64, 0xFF}) QVERIFY(!ConfigItemOfCommand(quint8(command)));
  QVERIFY(!ConfigItemByKey("PIN"));
  QVERIFY(!ConfigItemByKey(""));
  QVERIFY(!ConfigItemAt(-1));
  QVERIFY(!ConfigItemAt(29));
  QCOMPARE(AllConfigItems().size(), size_t(29));
}

void TstConfig::defaultRecord() {
  const ConfigRecord record = ConfigRecord::Default();
  QCOMPARE(record.value(0), QByteArray("7315"));
  QCOMPARE(record.value(1), QByteArray("+48501200777"));
  QCOMPARE(record.value(1), QByteArray(DefaultSmsCentre));  // the simulator's controller agrees
  for (int k = 2; k <= 21; ++k) QVERIFY2(record.value(k).isEmpty(), ConfigItemAt(k)->key);
  QCOMPARE(record.value(22), Hex("00 00 00 00 00"));
  QCOMPARE(record.value(23), Hex("00"));
  QCOMPARE(record.value(24), Hex("05 05 05"));
  QCOMPARE(record.value(25), Hex("00"));
  QCOMPARE(record.value(26), Hex("00"));
  QCOMPARE(record.value(27), Hex("00"));
  QCOMPARE(record.value(28), QByteArray("OK"));
}

void TstConfig::matrix_data() {
  QTest::addColumn<InputMatrix>("matrix");
  QTest::addColumn<QByteArray>("bytes");
  QTest::newRow("none") << InputMatrix() << Hex("00 00 00 00 00");
  QTest::newRow("all") << AllTicked() << Hex("FF FF FF FF FF");
  QTest::newRow("IN1 SMS 1") << Matrix({{1, 1, false}}) << Hex("80 00 00 00 00");
  QTest::newRow("IN1 voice 1") << Matrix({{1, 1, true}}) << Hex("00 00 08 00 00");
  QTest::newRow("IN5 voice 4") << Matrix({{5, 4, true}}) << Hex("00 00 00 00 01");
  QTest::newRow("IN2 SMS 4") << Matrix({{2, 4, false}}) << Hex("01 00 00 00 00");
  QTest::newRow("IN5 SMS 1, IN1 voice 4") << Matrix({{5, 1, false}, {1, 4, true}}) << Hex("00 00 81 00 00");
}

void TstConfig::matrix() {
  QFETCH(InputMatrix, matrix);
  QFETCH(QByteArray, bytes);
  QCOMPARE(PackInputMatrix(matrix), bytes);
  QCOMPARE(UnpackInputMatrix(bytes), matrix);
}

void TstConfig::shortValues() {
  // Bytes beyond the view are never read; missing ones read as 0.
  const QByteArray buffer = Hex("80 01 FF FF FF FF");
  QCOMPARE(UnpackInputMatrix(QByteArrayView(buffer).first(2)), Matrix({{1, 1, false}, {4, 4, false}}));
  QCOMPARE(UnpackInputMatrix({}), InputMatrix());
  QCOMPARE(UnpackInputMatrix(Hex("00 00 00 00 00 FF")), InputMatrix());
  QCOMPARE(UnpackOutputTimes(QByteArrayView(buffer).first(1)), (OutputTimes{{0x80, 0, 0}}));
  QCOMPARE(UnpackOutputFlags(QByteArrayView(buffer).first(0)), OutputFlags());
  QCOMPARE(UnpackOptionFlags(QByteArrayView(buffer).first(0)), OptionFlags());
  QCOMPARE(UnpackOptionFlags(QByteArrayView(buffer).sliced(1, 1)), (OptionFlags{true, false, false, false}));
}

void TstConfig::flags() {
  const OutputFlags allOutputs{{true, true, true}, {true, true, true}};
  QCOMPARE(PackOutputFlags(allOutputs), quint8(0x3F));
  QCOMPARE(UnpackOutputFlags(quint8(0xFF)), allOutputs);
  QCOMPARE(UnpackOutputFlags(quint8(0xC0)), OutputFlags());
  QCOMPARE(PackOutputFlags(OutputFlags{{true, false, false}, {}}), quint8(0x20));
  QCOMPARE(PackOutputFlags(OutputFlags{{false, false, true}, {}}), quint8(0x08));
  QCOMPARE(PackOutputFlags(OutputFlags{{}, {true, false, false}}), quint8(0x04));
  QCOMPARE(PackOutputFlags(OutputFlags{{}, {false, false, true}}), quint8(0x01));

  const OptionFlags allOptions{true, true, true, true};
  QCOMPARE(PackOptionFlags(allOptions), quint8(0x0F));
  QCOMPARE(UnpackOptionFlags(quint8(0xFF)), allOptions);
  QCOMPARE(UnpackOptionFlags(quint8(0xF0)), OptionFlags());
  QCOMPARE(PackOptionFlags(OptionFlags{true, false, false, false}), quint8(0x01));
  QCOMPARE(PackOptionFlags(OptionFlags{false, true, false, false}), quint8(0x02));
  QCOMPARE(PackOptionFlags(OptionFlags{false, false, true, false}), quint8(0x04));
  QCOMPARE(PackOptionFlags(OptionFlags{false, false, false, true}), quint8(0x08));

  QCOMPARE(PackOutputTimes(OutputTimes{{5, 10, 99}}), Hex("05 0A 63"));
  QCOMPARE(UnpackOutputTimes(Hex("0C 05 63")), (OutputTimes{{12, 5, 99}}));

  for (int byte = 0; byte < 256; ++byte) {
    QCOMPARE(PackOutputFlags(UnpackOutputFlags(quint8(byte))), quint8(byte & 0x3F));
    QCOMPARE(PackOptionFlags(UnpackOptionFlags(quint8(byte))), quint8(byte & 0x0F));
  }
}

void TstConfig::fileFlags() {
  const OutputFlags allOutputs{{true, true, true}, {true, true, true}};
  QCOMPARE(PackFileFlags(allOutputs, OptionFlags{true, false, false, false}), (FileFlagBytes{0x7F, 0x00}));
  QCOMPARE(PackFileFlags(OutputFlags{{true, false, false}, {}}, {}).outputs, quint8(0x40));
  QCOMPARE(PackFileFlags(OutputFlags{{}, {false, false, true}}, {}).outputs, quint8(0x02));
  QCOMPARE(PackFileFlags({}, OptionFlags{false, true, false, false}), (FileFlagBytes{0x00, 0x01}));
  QCOMPARE(PackFileFlags({}, OptionFlags{false, false, true, false}), (FileFlagBytes{0x00, 0x02}));
  QCOMPARE(PackFileFlags({}, OptionFlags{false, false, false, true}), (FileFlagBytes{0x00, 0x04}));

  OutputFlags outputs;
  OptionFlags options;
  UnpackFileFlags({0xFF, 0xFF}, &outputs, &options);
  QCOMPARE(outputs, allOutputs);
  QCOMPARE(options, (OptionFlags{true, true, true, true}));
  UnpackFileFlags({0x80, 0xF8}, &outputs, &options);
  QCOMPARE(outputs, OutputFlags());
  QCOMPARE(options, OptionFlags());

  for (int out = 0; out < 256; ++out)
    for (int opt = 0; opt < 256; ++opt) {
      UnpackFileFlags({quint8(out), quint8(opt)}, &outputs, &options);
      if (PackFileFlags(outputs, options) != FileFlagBytes{quint8(out & 0x7F), quint8(opt & 0x07)})
        QFAIL(qPrintable(QStringLiteral("file flags %1 %2 do not come back").arg(out).arg(opt)));
    }
}

void TstConfig::wholeFrames_data() {
  QTest::addColumn<QByteArray>("frame");
  QTest::addColumn<QByteArray>("expected");
  QString error;
  QTest::newRow("read item 0") << Frame::Request(Item("pin").readCommand(), "G") << Hex("47 04 01 47 93");
  QTest::newRow("write item 25, 5")
      << Frame::Request(Item("limit_sms").writeCommand(), *FieldRules::ParseItemValue(Item("limit_sms"), "5", &error))
      << Hex("47 37 01 05 84");
  QTest::newRow("reply item 25, 5") << Frame::Reply(Item("limit_sms").readCommand(), Hex("05")) << Hex("67 36 01 05 A3");
  QTest::newRow("write item 22, IN1T1")
      << Frame::Request(Item("input_matrix").writeCommand(), PackInputMatrix(Matrix({{1, 1, false}})))
      << Hex("47 31 05 80 00 00 00 00 FD");
  QTest::newRow("write item 28, OK")
      << Frame::Request(Item("confirm_text").writeCommand(), *Cp1250::Encode(u"OK")) << Hex("47 3D 02 4F 4B 20");
  QTest::newRow("write empty phone")
      << Frame::Request(Item("phone1").writeCommand(), *FieldRules::ParseItemValue(Item("phone1"), "", &error))
      << Hex("47 09 00 50");
}

void TstConfig::wholeFrames() {
  QFETCH(QByteArray, frame);
  QFETCH(QByteArray, expected);
  QCOMPARE(frame.toHex(' '), expected.toHex(' '));
}

void TstConfig::presets() {
  using namespace OperatorPresets;
  QCOMPARE(EntryCount, 5);
  const QByteArrayList captions{"ORANGE", "T-MOBILE", "PLUS", "PLAY", "inny"};
  const QByteArrayList numbers{"+48501200777", "+48602951111", "+48601000310", "+48790998250", ""};
  for (int entry = 0; entry < EntryCount; ++entry) {
    QCOMPARE(Caption(entry), captions[entry]);
    QCOMPARE(Preset(entry), numbers[entry]);
  }
  QVERIFY(Preset(5).isEmpty());
  QVERIFY(Preset(-1).isEmpty());

  for (int entry = 0; entry < Other; ++entry) {
    QCOMPARE(EntryOfReply(Preset(entry) + '\0'), entry);
    QCOMPARE(EntryOfFileText(Preset(entry)), entry);
    QCOMPARE(EntryOfReply(Preset(entry)), Other);  // without its NUL
    QCOMPARE(EntryOfReply(Preset(entry) + QByteArray(2, '\0')), Other);
    QCOMPARE(EntryOfFileText(Preset(entry) + '\0'), Other);
    QCOMPARE(EntryOfFileText(Preset(entry) + ' '), Other);
    QCOMPARE(EntryOfFileText(Preset(entry).chopped(1)), Other);
  }
  QCOMPARE(EntryOfReply(QByteArray(1, '\0')), Other);
  QCOMPARE(EntryOfReply({}), Other);
  QCOMPARE(EntryOfFileText({}), Other);
  QCOMPARE(EntryOfFileText("+48123456789"), Other);
}

void TstConfig::codePage() {
  QVERIFY(Cp1250::Available());

  QByteArray all;
  for (int byte = 0; byte < 256; ++byte) all.append(char(byte));
  const QString decoded = Cp1250::Decode(all);
  QCOMPARE(decoded.size(), 256);
  QCOMPARE(Cp1250::Encode(decoded), std::optional<QByteArray>(all));
  for (int byte : {0x81, 0x83, 0x88, 0x90, 0x98}) QCOMPARE(decoded[byte].unicode(), char16_t(byte));
  QCOMPARE(decoded[0x80], QChar(u'€'));
  // The same characters as Qt's own codec.
  for (int byte = 0; byte < 256; ++byte) {
    QStringEncoder encoder("windows-1250", QStringConverter::Flag::Stateless);
    const QByteArray viaCodec = encoder.encode(QStringView(decoded).sliced(byte, 1));
    QVERIFY2(!encoder.hasError() && viaCodec == all.sliced(byte, 1), qPrintable(QString::number(byte, 16)));
  }

  QCOMPARE(Cp1250::Encode(Polish), std::optional<QByteArray>(PolishBytes));
  QCOMPARE(Cp1250::Decode(PolishBytes), Polish);
  QCOMPARE(Cp1250::Encode(u"ß"), std::optional<QByteArray>(Hex("DF")));
  QCOMPARE(Cp1250::Encode(u""), std::optional<QByteArray>(QByteArray()));

  for (const QString& text : {QStringLiteral("Ж"), QStringLiteral("😀"), QStringLiteral("à"),
                              QStringLiteral("aЖb"), QString(QChar(0xD800)), QStringLiteral("\uFFFD")}) {
    QVERIFY2(!Cp1250::Encode(text), qPrintable(text));
    QVERIFY2(!Cp1250::Representable(text), qPrintable(text));
  }
  QVERIFY(Cp1250::Representable(Polish));
  QVERIFY(Cp1250::Representable(QChar(0x81)));
  QVERIFY(!Cp1250::Representable(QChar(u'Ж')));
}

void TstConfig::keySets_data() {
  QTest::addColumn<KeySet>("set");
  QTest::addColumn<QChar>("c");
  QTest::addColumn<bool>("accepted");
  struct Row {
    const char* name;
    KeySet set;
    char16_t c;
    bool accepted;
  };
  for (const Row& r : std::initializer_list<Row>{
           {"digits 0", KeySet::Digits, u'0', true},       {"digits 9", KeySet::Digits, u'9', true},
           {"digits CR", KeySet::Digits, u'\r', true},     {"digits BS", KeySet::Digits, u'\b', true},
           {"digits a", KeySet::Digits, u'a', false},      {"digits -", KeySet::Digits, u'-', false},
           {"digits space", KeySet::Digits, u' ', false},  {"digits +", KeySet::Digits, u'+', false},
           {"digits ٣", KeySet::Digits, u'٣', false},      {"telephone +", KeySet::Telephone, u'+', true},
           {"telephone 5", KeySet::Telephone, u'5', true}, {"telephone CR", KeySet::Telephone, u'\r', true},
           {"telephone -", KeySet::Telephone, u'-', false}, {"telephone space", KeySet::Telephone, u' ', false},
           {"no space space", KeySet::NoSpace, u' ', false}, {"no space ą", KeySet::NoSpace, u'ą', true},
           {"no space tab", KeySet::NoSpace, u'\t', true}, {"any space", KeySet::Any, u' ', true},
           {"none 5", KeySet::None, u'5', false}})
    QTest::newRow(r.name) << r.set << QChar(r.c) << r.accepted;
}

void TstConfig::keySets() {
  QFETCH(KeySet, set);
  QFETCH(QChar, c);
  QFETCH(bool, accepted);
  QCOMPARE(FieldRules::Accepts(set, c), accepted);
}

void TstConfig::leaveRules_data() {
  QTest::addColumn<QString>("rule");
  QTest::addColumn<QString>("text");
  QTest::addColumn<QString>("left");  // null: the conversion fails and the text stays
  const auto row = [](const char* rule, const char* text, const char* left) {
    QTest::addRow("%s \"%s\"", rule, text) << QString(rule) << QString(text) << (left ? QString(left) : QString());
  };
  row("password", "", "7315");
  row("password", "12", "7315");
  row("password", "123", "7315");
  row("password", "0123", "0123");
  row("password", "9999", "9999");
  row("limit", "", "0");
  row("limit", "0", "0");
  row("limit", "00", "00");
  row("limit", "7", "7");
  row("time", "", "1");
  row("time", "0", "1");
  row("time", "00", "1");
  row("time", "07", "07");
  row("time", "99", "99");
  row("time", "ab", nullptr);
  row("time", "1a", nullptr);
  row("time", "-", nullptr);
}

void TstConfig::leaveRules() {
  QFETCH(QString, rule);
  QFETCH(QString, text);
  QFETCH(QString, left);
  if (rule == "password") {
    QCOMPARE(FieldRules::LeavePassword(text), left);
  } else if (rule == "limit") {
    QCOMPARE(FieldRules::LeaveLimit(text), left);
  } else {
    const std::optional<QString> result = FieldRules::LeaveTime(text);
    QCOMPARE(result.has_value(), !left.isNull());
    if (result) QCOMPARE(*result, left);
  }
}

void TstConfig::parseAccepts_data() {
  QTest::addColumn<QString>("key");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QByteArray>("value");
  const auto row = [](const char* key, const QString& typed, const QByteArray& value) {
    QTest::addRow("%s \"%s\"", key, qPrintable(typed)) << QString(key) << typed << value;
  };
  row("pin", "0123", "0123");
  row("sms_centre", "+48501200777", "+48501200777");
  row("phone1", "", "");
  row("phone4", "+1+2", "+1+2");
  row("in1_on_text", QStringLiteral("Zażółć gęślą jaźń"), Hex("5A61BF F3B3E620 67EA9C6CB9 206A619FF1"));
  row("in5_off_text", QString(30, u'x'), QByteArray(30, 'x'));
  row("in2_on_text", Polish, PolishBytes);
  row("out1_on_word", QStringLiteral("ŻÓŁW"), Hex("AF D3 A3 57"));
  row("confirm_text", "OK", "OK");
  row("limit_sms", "0", Hex("00"));
  row("limit_sms", "07", Hex("07"));
  row("limit_voice", "99", Hex("63"));
  row("out_times", "5,10,99", Hex("05 0A 63"));
  row("out_times", " 1 , 01 ,99 ", Hex("01 01 63"));
  row("input_matrix", "", Hex("00 00 00 00 00"));
  row("input_matrix", "none", Hex("00 00 00 00 00"));
  row("input_matrix", "in1t1, IN5S4", Hex("80 00 00 00 01"));
  row("input_matrix", "IN1S1 IN2T4", Hex("01 00 08 00 00"));
  row("output_flags", "Out1NC out3mono", Hex("21"));
  row("output_flags", "Out1NC Out2NC Out3NC Out1Mono Out2Mono Out3Mono", Hex("3F"));
  row("options", "potw OUT1SYGN", Hex("09"));
  row("options", "NONE", Hex("00"));
}

void TstConfig::parseAccepts() {
  QFETCH(QString, key);
  QFETCH(QString, typed);
  QFETCH(QByteArray, value);
  QString error = "stale";
  const std::optional<QByteArray> parsed = FieldRules::ParseItemValue(Item(qPrintable(key)), typed, &error);
  QVERIFY2(parsed, qPrintable(error));
  QCOMPARE(parsed->toHex(' '), value.toHex(' '));
  QVERIFY(error.isEmpty());
  QCOMPARE(FieldRules::ParseItemValue(Item(qPrintable(key)), FieldRules::FormatItemValue(Item(qPrintable(key)), *parsed),
                                      nullptr),
           parsed);
}

void TstConfig::parseRefuses_data() {
  QTest::addColumn<QString>("key");
  QTest::addColumn<QString>("typed");
  const auto row = [](const char* key, const QString& typed) {
    QTest::addRow("%s \"%s\"", key, qPrintable(typed)) << QString(key) << typed;
  };
  row("pin", "");
  row("pin", "123");
  row("pin", "12345");
  row("pin", "12a4");
  row("pin", "-123");
  row("sms_centre", "+48 501200777");
  row("sms_centre", "+4850120077700");
  row("phone1", "48-501");
  row("phone2", "abc");
  row("phone3", "\r123");
  row("in1_off_text", QString(31, u'x'));
  row("in1_off_text", QStringLiteral("Жук"));
  row("in1_off_text", QStringLiteral("tab\there"));
  row("in3_on_text", QStringLiteral("😀"));
  row("in3_on_text", QString(QChar(0x81)));
  row("out1_on_word", "a b");
  row("out3_off_word", "abcde");
  row("confirm_text", "Wykonano, dzieki");
  row("limit_sms", "");
  row("limit_sms", "100");
  row("limit_sms", "-1");
  row("limit_sms", "+5");
  row("limit_sms", " 5");
  row("limit_voice", "1.5");
  row("limit_voice", QStringLiteral("٣"));
  row("out_times", "");
  row("out_times", "5,10");
  row("out_times", "5,10,99,1");
  row("out_times", "0,5,5");
  row("out_times", "5,5,100");
  row("out_times", "5;5;5");
  row("out_times", "5,,5");
  row("out_times", "a,5,5");
  row("input_matrix", "IN6T1");
  row("input_matrix", "IN1X1");
  row("input_matrix", "IN1T5");
  row("input_matrix", "IN1T0");
  row("input_matrix", "IN1T1 IN1T1");
  row("input_matrix", "none IN1T1");
  row("input_matrix", "80 00 00 00 00");
  row("output_flags", "Out4NC");
  row("output_flags", "Potw");
  row("options", "Out1NC");
  row("options", "Potw potw");
}

void TstConfig::parseRefuses() {
  QFETCH(QString, key);
  QFETCH(QString, typed);
  QString error;
  QCOMPARE(FieldRules::ParseItemValue(Item(qPrintable(key)), typed, &error), std::nullopt);
  QVERIFY(error.startsWith(key + ':'));
}

void TstConfig::formatValues_data() {
  QTest::addColumn<QString>("key");
  QTest::addColumn<QByteArray>("value");
  QTest::addColumn<QString>("shown");
  QTest::newRow("centre from a reply") << "sms_centre" << QByteArray("+48501200777\0", 13) << "+48501200777";
  QTest::newRow("text with padding") << "in1_on_text" << QByteArray("Alarm\0\0x", 8) << "Alarm";
  QTest::newRow("polish") << "in2_off_text" << PolishBytes << Polish;
  QTest::newRow("matrix") << "input_matrix" << Hex("80 00 08 00 01") << "IN1T1 IN1S1 IN5S4";
  QTest::newRow("matrix, short") << "input_matrix" << Hex("01") << "IN2T4";
  QTest::newRow("no box") << "output_flags" << Hex("C0") << "none";
  QTest::newRow("all outputs") << "output_flags" << Hex("FF") << "Out1NC Out2NC Out3NC Out1Mono Out2Mono Out3Mono";
  QTest::newRow("options") << "options" << Hex("F6") << "Autotest IN1blok";
  QTest::newRow("times") << "out_times" << Hex("05 0A 63") << "5,10,99";
  QTest::newRow("times, short and out of range") << "out_times" << Hex("C8") << "200,0,0";
  QTest::newRow("limit") << "limit_voice" << Hex("07") << "7";
  QTest::newRow("limit, empty") << "limit_sms" << QByteArray() << "0";
}

void TstConfig::formatValues() {
  QFETCH(QString, key);
  QFETCH(QByteArray, value);
  QFETCH(QString, shown);
  QCOMPARE(FieldRules::FormatItemValue(Item(qPrintable(key)), value), shown);
}

QTEST_GUILESS_MAIN(TstConfig)
#include "tst_config.moc"
