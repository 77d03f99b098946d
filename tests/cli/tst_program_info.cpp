// velt-cli's own answers: --version, --help, and the words of the shell's completion.
#include <QtTest>

#include "cli_rig.h"
#include "tst_cli.h"
#include "version.h"

void TstProgramInfo::answers_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QStringList>("texts");  // each in the output
  QTest::addColumn<QStringList>("absent");  // none in the output
  const QStringList version{"velt-cli " + VeltVersion() + "\n", "GPL-3.0-or-later"};
  QTest::newRow("version") << QStringList{"--version"} << version << QStringList{};
  QTest::newRow("version with a command") << QStringList{"-p", "/nonexistent", "status", "--version"} << version
                                          << QStringList{};
  QTest::newRow("help") << QStringList{"--help"} << QStringList{"--version", "provision SZABLON"} << QStringList{};
  QTest::newRow("a command's help") << QStringList{"status", "-h"} << QStringList{"--for CZAS", "--port PORT"}
                                    << QStringList{"provision SZABLON", "Klucze:"};
  QTest::newRow("a form that is no option") << QStringList{"history", "--help"} << QStringList{"history show N"}
                                            << QStringList{"Klucze:"};
  QTest::newRow("the report's own --site") << QStringList{"report", "--help"}
                                          << QStringList{"--site ID", "instalacja z rejestru"}
                                          << QStringList{"wpisy tego połączenia"};
  QTest::newRow("--site under history, not under history show")
      << QStringList{"history", "--help"} << QStringList{"najnowszy\n    --site ID"} << QStringList{"KLUCZ=WARTOŚĆ\n    --site"};
  QTest::newRow("help of one command") << QStringList{"help", "report"} << QStringList{"report ŹRÓDŁO", "--show-secrets"}
                                       << QStringList{"provision SZABLON", "Klucze:"};
  QTest::newRow("an unknown command's help") << QStringList{"bogus", "--help"} << QStringList{"provision SZABLON"}
                                             << QStringList{};
}

// Answered without a port or a controller.
void TstProgramInfo::answers() {
  QFETCH(QStringList, arguments);
  QFETCH(QStringList, texts);
  QFETCH(QStringList, absent);
  const CliResult result = RunCli(arguments, 10000);
  QVERIFY2(result.status == 0 && result.err.isEmpty(), qPrintable(result.Describe()));
  for (const QString& text : texts) QVERIFY2(result.out.contains(text), qPrintable(text + "\n" + result.Describe()));
  for (const QString& text : absent) QVERIFY2(!result.out.contains(text), qPrintable(text + "\n" + result.Describe()));
}

// Each command's help names every option the command takes, as the shell's completion lists them.
void TstProgramInfo::helpNamesEveryOption() {
  const CliResult commands = RunCli({"--complete", "commands"}, 10000);
  QVERIFY2(commands.status == 0 && commands.out.count(u'\n') > 5, qPrintable(commands.Describe()));
  for (const QString& command : commands.out.split(u'\n', Qt::SkipEmptyParts)) {
    const CliResult options = RunCli({"--complete", "options", command}, 10000);
    const CliResult help = RunCli({command, "--help"}, 10000);
    QVERIFY2(options.status == 0 && !options.out.isEmpty(), qPrintable(options.Describe()));
    QVERIFY2(help.status == 0 && help.out.contains(QStringLiteral("  ") + command), qPrintable(help.Describe()));
    for (QString option : options.out.split(u'\n', Qt::SkipEmptyParts)) {
      if (option.endsWith(u'=')) option.chop(1);
      // A word of its own: "--port" is not named by "--ports".
      const QRegularExpression named(QStringLiteral("(^|[\\s,])%1([\\s,]|$)").arg(QRegularExpression::escape(option)),
                                     QRegularExpression::MultilineOption);
      QVERIFY2(named.match(help.out).hasMatch(), qPrintable(command + u' ' + option + u'\n' + help.out));
    }
  }
}

void TstProgramInfo::completion_data() {
  QTest::addColumn<QStringList>("words");  // after the program's name, the last one being completed
  QTest::addColumn<QStringList>("offered");
  const auto row = [](const char* name, QStringList words, QStringList offered) {
    QTest::newRow(name) << words << offered;
  };
  row("commands", {"re"}, {"read", "restart", "reset-counters", "report", "register"});
  row("command after an option's value", {"-o", "c.gcf", "re"}, {"read", "restart", "reset-counters", "report", "register"});
  row("keys to get", {"get", "limit"}, {"limit_sms", "limit_voice"});
  row("keys to set", {"-p", "/dev/x", "set", "out_"}, {"out_times="});
  row("options of the command", {"provision", "--si"}, {"--sites=", "--site="});
  row("option of another command", {"read", "--w"}, {});
  row("short option", {"status", "-q"}, {"-q"});
  row("port", {"-p", "@/velt-"}, {"@/velt-a"});
  row("port after '='", {"--port", "=", "@/velt-"}, {"@/velt-a"});
  row("file to write", {"write", "@/c"}, {"@/c.gcf"});
  row("controller or file to compare", {"diff", "c.gcf", "d"}, {"device"});
  row("history", {"history", ""}, {"show"});
  row("form of site", {"site", "e"}, {"edit"});
  row("form of register", {"register", ""}, {"export", "use", "sync"});
  row("table to import", {"sites", "import", "@/c"}, {"@/c.gcf"});
  row("no form after a site's ID", {"site", "show", ""}, {});
  row("nothing for a value", {"set", "pin", "=", "1"}, {});
  row("every port", {"status", "--ports", "a"}, {"all"});
  row("options of a watch", {"status", "--watch", "--fo"}, {"--force", "--for="});
  row("file of a watch", {"status", "--watch", "--csv", "@/c"}, {"@/c.gcf"});
}

void TstProgramInfo::completion() {
  QFETCH(QStringList, words);
  QFETCH(QStringList, offered);
  CliRig rig;
  START_RIG(rig);
  rig.File("c.gcf", "x");
  QVERIFY(QFile::link(rig.sim.DevicePath(), rig.File("velt-a")));
  QProcessEnvironment environment = CliEnvironment();
  environment.insert("XDG_RUNTIME_DIR", rig.folder.path());
  QProcess bash;
  bash.setProcessEnvironment(environment);
  bash.setWorkingDirectory(rig.folder.path());
  const char* script = R"(source "$1"; shift; COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1)); _velt_cli;)"
                       R"( printf '%s\n' "${COMPREPLY[@]}")";
  bash.start("bash", QStringList{"-c", script, "bash", VELT_COMPLETION_PATH, VELT_CLI_PATH} + rig.InFolder(words));
  const CliResult result = Finish(bash, 20000);
  QVERIFY2(result.status == 0 && result.err.isEmpty(), qPrintable(result.Describe()));
  QCOMPARE(result.out.split(u'\n', Qt::SkipEmptyParts), rig.InFolder(offered));
}
