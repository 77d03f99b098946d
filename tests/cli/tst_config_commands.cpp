// read, write, get, set, show, diff and what verification finds.
#include <QFileInfo>
#include <QJsonObject>
#include <QtTest>

#include "cli_rig.h"
#include "config_file.h"
#include "tst_cli.h"

namespace {

// "1 4 6 ... 60 2": the login, the reads of every item, the logout.
QString FullReadCommands() {
  QStringList commands{"1"};
  for (int k = 0; k < Cmd::ItemCount; ++k) commands.append(QString::number(Cmd::ReadItem(k)));
  commands.append("2");
  return commands.join(u' ');
}

ConfigRecord Changed(const std::map<int, QByteArray>& values) {
  ConfigRecord record = ConfigRecord::Default();
  for (const auto& [k, value] : values) record.setValue(k, value);
  return record;
}

ControllerState StateOf(const ConfigRecord& record) {
  ControllerState state = ControllerState::New();
  for (int k = 0; k < Cmd::ItemCount; ++k) state.items[size_t(k)] = StoredItemValue(k, record.value(k));
  return state;
}

}  // namespace

void TstConfigCommands::setAndGetEveryKind_data() {
  QTest::addColumn<QString>("key");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QByteArray>("stored");
  QTest::addColumn<QString>("shown");
  const auto row = [](const char* name, const char* key, const char* typed, QByteArray stored, const char* shown) {
    QTest::newRow(name) << key << QString::fromUtf8(typed) << stored << QString::fromUtf8(shown);
  };
  row("pin", "pin", "2580", "2580", "2580");
  row("service centre (read back with its NUL)", "sms_centre", "+48790998250", "+48790998250", "+48790998250");
  row("telephone", "phone1", "+48601000310", "+48601000310", "+48601000310");
  row("empty telephone", "phone3", "", "", "");
  row("input text in Polish", "in1_off_text", "Zażółć", "Za\xBF\xF3\xB3\xE6", "Zażółć");
  row("input text with an en dash", "in5_on_text", "Strefa – 5", "Strefa \x96 5", "Strefa – 5");
  row("output word", "out3_off_word", "WYŁ3", "WY\xA3" "3", "WYŁ3");
  row("matrix", "input_matrix", "IN1T1 IN1S1 IN5S4", QByteArray::fromHex("8000080001"), "IN1T1 IN1S1 IN5S4");
  row("matrix in small letters", "input_matrix", "in2t4", QByteArray::fromHex("0100000000"), "IN2T4");
  row("matrix cleared", "input_matrix", "none", QByteArray(5, '\0'), "none");
  row("output flags", "output_flags", "Out1NC,Out3Mono", QByteArray("\x21"), "Out1NC Out3Mono");
  row("output times", "out_times", "5, 10, 99", QByteArray::fromHex("050A63"), "5,10,99");
  row("SMS limit", "limit_sms", "7", QByteArray("\x07"), "7");
  row("voice limit", "limit_voice", "99", QByteArray("\x63"), "99");
  row("every option", "options", "Potw Autotest IN1blok Out1sygn", QByteArray("\x0F"), "Potw Autotest IN1blok Out1sygn");
  row("confirmation text", "confirm_text", "Wykonano ąęś OK", "Wykonano \xB9\xEA\x9C OK", "Wykonano ąęś OK");
}

void TstConfigCommands::setAndGetEveryKind() {
  QFETCH(QString, key);
  QFETCH(QString, typed);
  QFETCH(QByteArray, stored);
  QFETCH(QString, shown);
  CliRig rig;
  START_RIG(rig);
  const int k = ConfigItemByKey(key.toLatin1())->index;

  const CliResult set = rig.Run({"set", key + u'=' + typed, "--verify"});
  QVERIFY2(set.status == 0, qPrintable(set.Describe()));
  QVERIFY2(set.out.contains(QStringLiteral("Weryfikacja: sterownik ma zapisane wartości")), qPrintable(set.out));
  QCOMPARE(rig.sim.State().items[size_t(k)], stored);
  QCOMPARE(rig.Commands(), QStringLiteral("1 %1 %2 2").arg(Cmd::WriteItem(k)).arg(Cmd::ReadItem(k)));

  const CliResult text = rig.Run({"get", key});
  QVERIFY2(text.status == 0, qPrintable(text.Describe()));
  QCOMPARE(text.out, key + u'=' + shown + u'\n');
  const CliResult json = rig.Run({"--json", "get", key});
  QCOMPARE(json.status, 0);
  QCOMPARE(json.Json().value("items").toObject().value(key).toString(), shown);
}

void TstConfigCommands::readThenWriteRoundTrip() {
  CliRig source;
  START_RIG(source);
  source.sim.SetState(FullState());
  const QString path = source.File("full.gcf");
  const CliResult read = source.Run({"read", "-o", path});
  QVERIFY2(read.status == 0, qPrintable(read.Describe()));
  QCOMPARE(source.Commands(), FullReadCommands());
  QCOMPARE(QFileInfo(path).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
           QFile::Permissions());

  CliRig target;
  START_RIG(target);
  const CliResult write = target.Run({"--json", "write", path, "--verify"});
  QVERIFY2(write.status == 0, qPrintable(write.Describe()));
  QCOMPARE(write.Json().value("written").toInt(), Cmd::ItemCount);
  QCOMPARE(write.Json().value("verified").toBool(), true);
  QCOMPARE(target.sim.State().items, FullState().items);
}

void TstConfigCommands::readPrintsEveryKey() {
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetState(FullState());
  const CliResult text = rig.Run({"read"});
  QVERIFY2(text.status == 0, qPrintable(text.Describe()));
  const QStringList lines = text.out.split(u'\n', Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), Cmd::ItemCount);
  QCOMPARE(lines[1], QStringLiteral("sms_centre=+486010003101"));
  QCOMPARE(lines[11], QStringLiteral("in1_on_text=Źdźbło łąki włączone nr 000001"));
  QCOMPARE(lines[27], QStringLiteral("options=Potw IN1blok Out1sygn"));

  const CliResult json = rig.Run({"read", "--json"});
  QCOMPARE(json.status, 0);
  const QJsonObject items = json.Json().value("items").toObject();
  QCOMPARE(items.size(), Cmd::ItemCount);
  QCOMPARE(items.value("in1_off_text").toString(), QStringLiteral("Zażółć gęślą jaźń wyłączone 01"));
  QCOMPARE(items.value("output_flags").toString(), QStringLiteral("Out1NC Out3NC Out2Mono"));
  QCOMPARE(json.Json().value("firmware").toString(), QStringLiteral("VELT v 1.8"));
}

void TstConfigCommands::showAndDiff_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("status");
  QTest::addColumn<QStringList>("lines");
  QTest::addColumn<bool>("asksController");
  const auto row = [](const char* name, QStringList arguments, int status, QStringList lines, bool asks) {
    QTest::newRow(name) << arguments << status << lines << asks;
  };
  row("show", {"show", "@/a.gcf"}, 0, {"password=7315", "pin=7315", "out_times=5,5,5", "confirm_text=OK"}, false);
  row("show as JSON", {"--json", "show", "@/b.gcf"}, 0, {R"("phone1":"+48111")", R"("password":"1234")"}, false);
  row("two files", {"diff", "@/a.gcf", "@/b.gcf"}, 5,
      {R"(phone1: @/a.gcf "", @/b.gcf "+48111")", R"(limit_sms: @/a.gcf "0", @/b.gcf "5")"}, false);
  row("a file with itself", {"diff", "@/a.gcf", "@/a.gcf"}, 0, {"Brak różnic"}, false);
  row("two files as JSON", {"--json", "diff", "@/a.gcf", "@/b.gcf"}, 5,
      {R"("same":false)", R"({"a":"","b":"+48111","key":"phone1"})"}, false);
  row("file and the controller alike", {"diff", "@/b.gcf", "device"}, 0, {"Brak różnic"}, true);
  row("the controller and another file", {"diff", "device", "@/a.gcf"}, 5, {R"(phone1: device "+48111", @/a.gcf "")"}, true);
  row("report of a file", {"--json", "report", "@/b.gcf", "-o", "@/r.pdf"}, 0, {R"("file":"@/r.pdf")"}, false);
  row("report of the controller", {"--json", "report", "device", "-o", "@/r.pdf"}, 0, {R"("source":"device")"}, true);
}

void TstConfigCommands::showAndDiff() {
  QFETCH(QStringList, arguments);
  QFETCH(int, status);
  QFETCH(QStringList, lines);
  QFETCH(bool, asksController);
  CliRig rig;
  START_RIG(rig);
  const ConfigRecord b = Changed({{ItemIndex::Phone1, "+48111"}, {ItemIndex::LimitSms, "\x05"}});
  rig.File("a.gcf", ConfigFileBytes("7315", ConfigRecord::Default().values));
  rig.File("b.gcf", ConfigFileBytes("1234", b.values));
  rig.sim.SetState(StateOf(b));
  const CliResult result = rig.Run(rig.InFolder(arguments));
  QVERIFY2(result.status == status, qPrintable(result.Describe()));
  for (const QString& line : rig.InFolder(lines))
    QVERIFY2(result.out.contains(line), qPrintable(line + " in\n" + result.out));
  QCOMPARE(rig.Commands(), asksController ? FullReadCommands() : QString());
}

void TstConfigCommands::verificationCatchesAlteredValue_data() {
  QTest::addColumn<QString>("fault");
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("difference");
  const auto row = [](const char* name, const char* fault, QStringList arguments, const char* difference) {
    QTest::newRow(name) << fault << arguments << QString::fromUtf8(difference);
  };
  row("set of a telephone", "alter=9", {"set", "phone1=+48111", "--verify"}, R"(phone1: zapisano "+48111", odczytano "+48112")");
  row("set of an empty text", "alter=17", {"set", "in1_off_text=", "phone1=+48111", "--verify"},
      R"(in1_off_text: zapisano "", odczytano "#")");
  row("set of the options", "alter=59", {"set", "options=Potw", "--verify"}, R"(options: zapisano "Potw", odczytano "Autotest")");
  row("output flags into a reserved bit", "alter=51", {"set", "output_flags=Out1NC Out2NC Out3NC Out1Mono Out2Mono Out3Mono", "--verify"},
      R"(output_flags: zapisano "Out1NC Out2NC Out3NC Out1Mono Out2Mono Out3Mono", odczytano "none")");
  row("write of a file", "alter=53", {"write", "@/a.gcf", "--verify"}, R"(out_times: zapisano "5,5,5", odczytano "5,5,6")");
  row("provision", "alter=33", {"provision", "@/a.gcf", "--sites", "@/s.csv", "--site", "A", "--verify"},
      R"(in4_on_text: zapisano "Alarm", odczytano "Alarn")");
}

void TstConfigCommands::verificationCatchesAlteredValue() {
  QFETCH(QString, fault);
  QFETCH(QStringList, arguments);
  QFETCH(QString, difference);
  CliRig rig;
  START_RIG(rig);
  QVERIFY(rig.sim.SetFaults({fault}));
  rig.File("a.gcf", ConfigFileBytes("7315", ConfigRecord::Default().values));
  rig.File("s.csv", "site,in4_on_text\nA,Alarm\n");
  const CliResult text = rig.Run(rig.InFolder(arguments));
  QVERIFY2(text.status == 5, qPrintable(text.Describe()));
  QVERIFY2(text.out.contains(difference), qPrintable(text.out));
  QVERIFY(rig.Commands().endsWith(QStringLiteral(" 2")));  // logged out all the same

  QVERIFY(rig.sim.SetFaults({fault}));
  const CliResult json = rig.Run(QStringList{"--json"} + rig.InFolder(arguments));
  QCOMPARE(json.status, 5);
  QCOMPARE(json.Json().value("verified").toBool(true), false);
  QCOMPARE(json.Json().value("differences").toArray().size(), 1);
  QCOMPARE(json.Json().value("differences").toArray().first().toObject().value("key").toString(), difference.section(u':', 0, 0));
}

// A dry run tells every byte a write would change, those the window does not show included.
void TstConfigCommands::dryRunSeesEveryByte_data() {
  QTest::addColumn<QString>("key");
  QTest::addColumn<QByteArray>("held");  // by the controller
  QTest::addColumn<QString>("typed");    // shows as the held value does
  QTest::addColumn<QString>("told");     // in the line of the change; empty: no change
  QTest::newRow("output flag bits no box owns") << "output_flags" << QByteArray("\xC3") << "Out2Mono Out3Mono" << "bity bez pola 0xC0";
  QTest::newRow("option bits no box owns") << "options" << QByteArray("\xF0") << "none" << "bity bez pola 0xF0";
  QTest::newRow("bytes after a text's NUL") << "in1_on_text" << QByteArray("abc\0xyz", 7) << "abc" << "po wartości bajty 00 78 79 7A";
  QTest::newRow("NUL filler after a text") << "in1_on_text" << QByteArray("abc\0\0", 5) << "abc" << "";
}

void TstConfigCommands::dryRunSeesEveryByte() {
  QFETCH(QString, key);
  QFETCH(QByteArray, held);
  QFETCH(QString, typed);
  QFETCH(QString, told);
  CliRig rig;
  START_RIG(rig);
  ControllerState state = ControllerState::New();
  int item = 0;
  while (QLatin1String(ConfigItems[size_t(item)].key) != key) ++item;
  state.items[size_t(item)] = held;
  rig.sim.SetState(state);

  const QStringList arguments{"set", key + u'=' + typed, "--dry-run"};
  const CliResult text = rig.Run(arguments);
  QVERIFY2(text.status == (told.isEmpty() ? 0 : 5), qPrintable(text.Describe()));
  QVERIFY2(told.isEmpty() || (text.out.contains(key + u':') && text.out.contains(told)), qPrintable(text.out));
  const CliResult json = rig.Run(QStringList{"--json"} + arguments);
  QCOMPARE(json.Json().value("same").toBool(), told.isEmpty());
  QCOMPARE(json.Json().value("changes").toArray().size(), told.isEmpty() ? 0 : 1);
  QCOMPARE(rig.sim.State().items[size_t(item)], held);  // nothing written
}
