// The window's rules between the option boxes and the firmware, refused before any item is sent.
#include <QtTest>

#include "cli_rig.h"
#include "config_record.h"
#include "tst_cli.h"

void TstOptionRules::refused_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QByteArray>("template_");  // provision's JSON template
  QTest::addColumn<char>("version");          // the firmware character of the login reply
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("commands");
  const QString written = QStringLiteral("1 %1 2").arg(Cmd::WriteItem(ItemIndex::Options));
  const QStringList provision{"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A"};
  const QByteArray plain = R"({"phone1": "+48111"})";
  QTest::newRow("Out1sygn without IN1blok") << QStringList{"set", "options=Out1sygn"} << plain << '8' << 2
                                            << "Out1sygn (\"Out1 - sygn.\") działa tylko razem z IN1blok" << "";
  QTest::newRow("Autotest below version 7") << QStringList{"set", "options=Autotest IN1blok Out1sygn"} << plain << '6' << 2
                                            << "options: Autotest (\"IN5 auto test 24h\") jest niedostępne w firmware sterownika VELT v 1.6"
                                            << "1 2";
  QTest::newRow("IN1blok below version 8") << QStringList{"set", "options=Potw IN1blok"} << plain << '7' << 2
                                           << "options: IN1blok (\"tryb mini CA\") jest niedostępne w firmware sterownika VELT v 1.7"
                                           << "1 2";
  QTest::newRow("Autotest at version 7") << QStringList{"set", "options=Autotest"} << plain << '7' << 0 << "" << written;
  QTest::newRow("all four at version 8") << QStringList{"set", "options=Potw Autotest IN1blok Out1sygn"} << plain << '8'
                                         << 0 << "" << written;
  QTest::newRow("template's Out1sygn alone") << provision << QByteArray(R"({"options": "Out1sygn"})") << '8' << 1
                                             << "działa tylko razem z IN1blok" << "";
  QTest::newRow("template's IN1blok below version 8") << provision << QByteArray(R"({"options": "IN1blok"})") << '7' << 1
                                                      << "IN1blok (\"tryb mini CA\") jest niedostępne" << "1 2";
}

void TstOptionRules::refused() {
  QFETCH(QStringList, arguments);
  QFETCH(QByteArray, template_);
  QFETCH(char, version);
  QFETCH(int, status);
  QFETCH(QString, message);
  CliRig rig({.version = version, .stageStepMs = 0});
  START_RIG(rig);
  rig.File("t.json", template_);
  rig.File("s.csv", "site,phone2\nA,+48222\n");
  const CliResult result = rig.Run(rig.InFolder(arguments));
  QVERIFY2(result.status == status && result.err.contains(message), qPrintable(result.Describe()));
  if (status != 0) QVERIFY(result.out.isEmpty());
  if (arguments.front() == u"set") QTEST(rig.Commands(), "commands");
  else QVERIFY2(!rig.Commands().contains(QString::number(Cmd::WriteItemFirst)), qPrintable(rig.Commands()));
}
