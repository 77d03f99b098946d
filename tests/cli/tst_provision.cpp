// provision: template plus one site's row becomes the controller's configuration and its record.
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include "cli_rig.h"
#include "config_file.h"
#include "csv_table.h"
#include "tst_cli.h"

namespace {

const QByteArray Sites =
    "site,phone1,phone2,in1_on_text,out_times,input_matrix,limit_sms\r\n"
    "Kraków-1,+48600100200,+48600100201,\"Alarm, strefa \"\"A\"\"\",\"5,10,99\",IN1T1 IN1S1,5\r\n"
    "Gdańsk 2,+48600100300,,Włamanie,\"1,1,1\",none,0\r\n"
    "Łódź/3,+48600100400,+48600100401,Pożar,\"99,99,99\",IN5S4,99\r\n";

// The template: in a configuration file and as JSON.
ConfigRecord TemplateRecord() {
  ConfigRecord record = ConfigRecord::Default();
  record.setValue(ItemIndex::Phone1 + 1, "+48000");
  record.setValue(ItemIndex::Phone1 + 3, "+48999");
  record.setValue(ItemIndex::ConfirmText, "Gotowe");
  record.setValue(ItemIndex::Options, "\x01");
  return record;
}
const QByteArray TemplateJson = R"({"phone2": "+48000", "phone4": "+48999", "confirm_text": "Gotowe", "options": "Potw"})";

// What each site's row puts over the template, as stored bytes.
std::map<int, QByteArray> RowOf(const QString& site) {
  if (site == u"Kraków-1")
    return {{2, "+48600100200"}, {3, "+48600100201"}, {11, "Alarm, strefa \"A\""},
            {24, QByteArray::fromHex("050A63")}, {22, QByteArray::fromHex("8000080000")}, {25, "\x05"}};
  if (site == u"Gdańsk 2")
    return {{2, "+48600100300"}, {3, ""}, {11, "W\xB3" "amanie"}, {24, QByteArray::fromHex("010101")},
            {22, QByteArray(5, '\0')}, {25, QByteArray(1, '\0')}};
  return {{2, "+48600100400"}, {3, "+48600100401"}, {11, "Po\xBF" "ar"}, {24, QByteArray::fromHex("636363")},
          {22, QByteArray::fromHex("0000000001")}, {25, "\x63"}};
}

}  // namespace

void TstProvision::provisionEachSite_data() {
  QTest::addColumn<QString>("templateName");
  QTest::addColumn<QString>("site");
  for (const char* name : {"template.gcf", "template.json"})
    for (const char* site : {"Kraków-1", "Gdańsk 2", "Łódź/3"})
      QTest::newRow(qPrintable(QStringLiteral("%1, %2").arg(name, QString::fromUtf8(site)))) << name << QString::fromUtf8(site);
}

void TstProvision::provisionEachSite() {
  QFETCH(QString, templateName);
  QFETCH(QString, site);
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetFixedStatus(QByteArray::fromHex("0580130F0201"));
  const QString templatePath = templateName.endsWith(".gcf") ? rig.File(templateName, ConfigFileBytes("0000", TemplateRecord().values))
                                                             : rig.File(templateName, TemplateJson);
  const QString sites = rig.File("sites.csv", Sites);
  const QString records = rig.File("records");

  const CliResult result = rig.Run({"provision", templatePath, "--sites", sites, "--site", site, "--verify", "--record", records});
  QVERIFY2(result.status == 0, qPrintable(result.Describe()));
  QCOMPARE(rig.Commands(), WriteAndVerifyCommands());

  ConfigRecord expected = TemplateRecord();
  for (const auto& [k, value] : RowOf(site)) expected.setValue(k, value);
  const ControllerState state = rig.sim.State();
  for (int k = 0; k < Cmd::ItemCount; ++k)
    QVERIFY2(state.items[size_t(k)] == StoredItemValue(k, expected.value(k)), qPrintable(ConfigItems[size_t(k)].key));

  const QStringList files = QDir(records).entryList(QDir::Files, QDir::Name);
  QCOMPARE(files.size(), 2);
  const QString stem = QString(site).replace(u'/', u'_').replace(u' ', u'_') + u'_';  // a name safe in any folder
  QVERIFY2(files[0].startsWith(stem) && files[0].endsWith(".json"), qPrintable(files[0]));
  QFile jsonFile(QDir(records).filePath(files[0]));
  QVERIFY(jsonFile.open(QIODevice::ReadOnly));
  const QJsonObject record = QJsonDocument::fromJson(jsonFile.readAll()).object();
  QCOMPARE(record.value("site").toString(), site);
  QCOMPARE(record.value("port").toString(), rig.sim.DevicePath());
  QCOMPARE(record.value("firmware").toString(), QStringLiteral("VELT v 1.8"));
  QCOMPARE(record.value("stage").toString(), QStringLiteral("Połączony z siecią GSM"));
  QCOMPARE(record.value("signal").toInt(), 15);
  QCOMPARE(record.value("verified").toBool(), true);
  QCOMPARE(record.value("items").toObject().size(), Cmd::ItemCount);
  QCOMPARE(record.value("items").toObject().value("phone4").toString(), QStringLiteral("+48999"));

  QFile textFile(QDir(records).filePath(files[1]));
  QVERIFY(textFile.open(QIODevice::ReadOnly));
  const QString text = QString::fromUtf8(textFile.readAll());
  for (const QString& line : {QStringLiteral("Obiekt:            ") + site, QStringLiteral("Weryfikacja:       zgodna"),
                              QStringLiteral("Sygnał GSM:        15/20 (75%)"), QStringLiteral("  confirm_text=Gotowe")})
    QVERIFY2(text.contains(line), qPrintable(line + " in\n" + text));
}

void TstProvision::csvForms_data() {
  QTest::addColumn<QByteArray>("data");
  QTest::addColumn<QList<QStringList>>("rows");
  QTest::addColumn<QList<int>>("lines");  // where each row starts
  QTest::newRow("commas, CRLF and a byte-order mark")
      << QByteArray("\xEF\xBB\xBFsite,phone1\r\nA,+481\r\n") << QList<QStringList>{{"site", "phone1"}, {"A", "+481"}} << QList<int>{1, 2};
  QTest::newRow("semicolons keep commas in a field")
      << QByteArray("site;out_times\nA;5,10,99\n") << QList<QStringList>{{"site", "out_times"}, {"A", "5,10,99"}} << QList<int>{1, 2};
  QTest::newRow("quotes, a doubled quote and a line break inside")
      << QByteArray("site,t\n\"A,1\",\"say \"\"hi\"\"\nthere\"\nB,x") << QList<QStringList>{{"site", "t"}, {"A,1", "say \"hi\"\nthere"}, {"B", "x"}}
      << QList<int>{1, 2, 4};
  QTest::newRow("blank lines skipped, empty cells kept")
      << QByteArray("site,a,b\n\nA,,\n\n") << QList<QStringList>{{"site", "a", "b"}, {"A", "", ""}} << QList<int>{1, 3};
}

void TstProvision::csvForms() {
  QFETCH(QByteArray, data);
  QFETCH(QList<QStringList>, rows);
  QFETCH(QList<int>, lines);
  const QList<CsvRow> parsed = ParseCsv(data, "t.csv");
  QCOMPARE(parsed.size(), rows.size());
  for (qsizetype r = 0; r < rows.size(); ++r) {
    QStringList texts;
    for (const CsvCell& cell : parsed[r]) texts.append(cell.text);
    QCOMPARE(texts, rows[r]);
    QCOMPARE(parsed[r].front().line, lines[r]);
    QCOMPARE(parsed[r].back().column, int(rows[r].size()));
  }
}
