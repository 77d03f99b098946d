// velt-cli's own answers: --version and --help.
#include <QtTest>

#include "cli_rig.h"
#include "tst_cli.h"
#include "version.h"

void TstProgramInfo::answers_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QStringList>("texts");  // each in the output
  const QStringList version{"velt-cli " + VeltVersion() + "\n", "GPL-3.0-or-later"};
  QTest::newRow("version") << QStringList{"--version"} << version;
  QTest::newRow("version with a command") << QStringList{"-p", "/nonexistent", "status", "--version"} << version;
  QTest::newRow("help") << QStringList{"--help"} << QStringList{"--version", "provision SZABLON"};
}

// Answered without a port or a controller.
void TstProgramInfo::answers() {
  QFETCH(QStringList, arguments);
  QFETCH(QStringList, texts);
  const CliResult result = RunCli(arguments, 10000);
  QVERIFY2(result.status == 0 && result.err.isEmpty(), qPrintable(result.Describe()));
  for (const QString& text : texts) QVERIFY2(result.out.contains(text), qPrintable(text + "\n" + result.Describe()));
}
