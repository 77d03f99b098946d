// Success is told only when it happened: results that cannot be written, signals, a lost line,
// empty option values and commissioning records that must not replace each other.
#include <QDir>
#include <QtTest>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <unistd.h>

#include "cli_rig.h"
#include "config_file.h"
#include "tst_cli.h"

namespace {

enum Output { Captured, FullDisk, Closed, BrokenPipe, SmallFiles, Terminal };

// velt-cli started with its standard output as the row asks.
void Launch(CliRig& rig, QProcess& cli, const QStringList& arguments, int output) {
  if (output == FullDisk) cli.setStandardOutputFile(QStringLiteral("/dev/full"));
  if (output == Closed) cli.setChildProcessModifier([] { ::close(STDOUT_FILENO); });
  if (output == SmallFiles) LimitFileSize(cli);
  if (output == Terminal)
    cli.setChildProcessModifier([] {
      char name[64];
      const int controller = ::posix_openpt(O_RDWR | O_NOCTTY);
      if (controller < 0 || ::grantpt(controller) != 0 || ::unlockpt(controller) != 0 ||
          ::ptsname_r(controller, name, sizeof name) != 0)
        return;
      const int terminal = ::open(name, O_RDWR | O_NOCTTY);
      if (terminal >= 0) ::dup2(terminal, STDOUT_FILENO);
    });
  if (output == BrokenPipe) {
    int ends[2];
    QVERIFY(::pipe2(ends, O_CLOEXEC) == 0);
    ::close(ends[0]);  // nobody reads: every write fails
    const int writeEnd = ends[1];
    cli.setChildProcessModifier([writeEnd] { ::dup2(writeEnd, STDOUT_FILENO); });
    rig.Launch(cli, arguments);
    ::close(writeEnd);
    return;
  }
  rig.Launch(cli, arguments);
}

const QByteArray Template = R"({"phone1": "+48111"})";

}  // namespace

void TstOutcomes::results_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<int>("output");
  QTest::addColumn<int>("signalAfter");  // requests received before the signal; 0: none
  QTest::addColumn<int>("signal");
  QTest::addColumn<int>("status");
  QTest::addColumn<QStringList>("message");
  QTest::addColumn<QString>("last");  // the last request: "2" a logout, "" none at all
  const QString full = QStringLiteral("nie można zapisać wyniku na standardowe wyjście");
  const auto row = [](const char* name, QStringList arguments, QStringList faults, int output, int after, int signal,
                      int status, QStringList message, QString last) {
    QTest::newRow(name) << arguments << faults << output << after << signal << status << message << last;
  };
  row("read onto a full disk", {"read"}, {}, FullDisk, 0, 0, 1, {full, "brak miejsca na dysku"}, "2");
  row("get --json onto a full disk", {"--json", "get", "pin"}, {}, FullDisk, 0, 0, 1, {full}, "2");
  row("file onto a full disk", {"read", "-o", "-"}, {}, FullDisk, 0, 0, 1, {full}, "2");
  row("show onto a full disk", {"show", "@/a.gcf"}, {}, FullDisk, 0, 0, 1, {full}, "");
  row("read with standard output closed", {"read"}, {}, Closed, 0, 0, 1, {full, "wyjście jest zamknięte"}, "2");
  row("passwd onto a full disk", {"passwd", "1234"}, {}, FullDisk, 0, 0, 7, {"sterownik przyjął nowe hasło", full}, "2");
  row("passwd with standard output closed", {"passwd", "1234"}, {}, Closed, 0, 0, 7, {"sterownik przyjął nowe hasło", full}, "2");
  row("passwd refused", {"--password", "1111", "passwd", "1234"}, {}, FullDisk, 0, 0, 4, {}, "");
  row("show with standard output closed", {"show", "@/a.gcf"}, {}, Closed, 0, 0, 1, {full, "wyjście jest zamknięte"}, "");
  row("status --watch into a closed pipe", {"status", "--watch"}, {}, BrokenPipe, 0, 0, 1, {full, "odbiorca zamknął potok"}, "2");
  row("hang-up during a paced write", {"write", "@/a.gcf"}, {"slow=200"}, Captured, 4, SIGHUP, 1,
      {"przerwano (SIGHUP", "sterownik ma zapisane 3 z 29 pozycji, pozostałe bez zmian"}, "2");
  const QString written = QStringLiteral("zapis zakończony (sterownik ma zapisane wszystkie 29 pozycji), ale: ");
  row("SIGTERM during the verification", {"write", "@/a.gcf", "--verify"}, {"slow=200"}, Captured, 33, SIGTERM, 7,
      {written + "weryfikacja nie powiodła się: przerwano (SIGTERM)"}, "2");
  row("write onto a full disk", {"write", "@/a.gcf"}, {}, FullDisk, 0, 0, 7, {written + full}, "2");
  row("set with standard output closed", {"set", "limit_sms=5"}, {}, Closed, 0, 0, 7,
      {"zapis zakończony (sterownik ma zapisane wszystkie 1 pozycji), ale: " + full}, "2");
  row("line lost during a write", {"write", "@/a.gcf"}, {"hangup-after=4", "slow=300"}, Captured, 0, 0, 1,
      {"Port COM niedostępny", "sterownik ma zapisane 3 z 29 pozycji", "mogła zostać zapisana"}, "");
  const QString tooBig = QStringLiteral("plik za duży");
  row("read -o past the file-size limit", {"read", "-o", "@/out.gcf"}, {}, SmallFiles, 0, 0, 1, {tooBig, "out.gcf"}, "2");
  row("report past the file-size limit", {"report", "@/a.gcf", "-o", "@/r.pdf"}, {}, SmallFiles, 0, 0, 1, {tooBig, "r.pdf"}, "");
  row("watch --csv past the file-size limit", {"status", "--watch", "--csv", "@/w.csv", "--for", "60s"}, {}, SmallFiles,
      0, 0, 1, {tooBig, "w.csv"}, "2");
  row("report into a file", {"report", "@/a.gcf", "-o", "@/made.pdf"}, {}, Captured, 0, 0, 0, {}, "");
  row("report onto a terminal", {"report", "@/a.gcf", "-o", "-"}, {}, Terminal, 0, 0, 2, {"terminal"}, "");
  row("empty output name", {"read", "-o", ""}, {}, Captured, 0, 0, 2, {"opcja --output: pusta wartość"}, "");
  row("empty record folder", {"provision", "@/t.json", "--sites", "@/s.csv", "--site", "A", "--record="}, {}, Captured,
      0, 0, 2, {"opcja --record: pusta wartość"}, "");
  row("file and JSON on one output", {"--json", "read", "-o", "-"}, {}, Captured, 0, 0, 2, {"nie łączy się z --json"}, "");
}

void TstOutcomes::results() {
  QFETCH(QStringList, arguments);
  QFETCH(QStringList, faults);
  QFETCH(int, output);
  QFETCH(int, signalAfter);
  QFETCH(int, signal);
  QFETCH(QString, last);
  CliRig rig;
  START_RIG(rig);
  QVERIFY(rig.sim.SetFaults(faults));
  rig.File("a.gcf", ConfigFileBytes("7315", ConfigRecord::Default().values));
  rig.File("t.json", Template);
  rig.File("s.csv", "site,phone2\nA,+48222\n");
  QProcess cli;
  Launch(rig, cli, rig.InFolder(arguments), output);
  if (signalAfter > 0) {
    QVERIFY(rig.sim.WaitForRequests(signalAfter, 20000));
    ::kill(pid_t(cli.processId()), signal);
  }
  const CliResult result = Finish(cli, 60000);
  QFETCH(int, status);
  QVERIFY2(result.status == status, qPrintable(result.Describe()));
  QFETCH(QStringList, message);
  for (const QString& part : message) QVERIFY2(result.err.contains(part), qPrintable(part + " in " + result.err));
  // Qt's own warnings (in English) never reach the user.
  QVERIFY2(!result.err.contains(QStringLiteral("XDG_RUNTIME_DIR")), qPrintable(result.err));
  const QString commands = rig.Commands();
  QVERIFY2(last.isEmpty() ? !commands.endsWith(" 2") : commands.endsWith(u' ' + last), qPrintable(commands));
  if (status == 2) QCOMPARE(rig.sim.RequestCount(), 0);
  // Nothing half-written stays: neither a temporary file nor the target.
  const QStringList left = QDir(rig.folder.path()).entryList(QDir::Files | QDir::Hidden);
  for (const QString& name : {"out.gcf", "r.pdf", "w.csv", ".velt-"})
    QVERIFY2(left.filter(name).isEmpty(), qPrintable(left.join(u' ')));
}

void TstOutcomes::records_data() {
  QTest::addColumn<QStringList>("sites");    // provisioned one after another
  QTest::addColumn<QString>("folder");
  QTest::addColumn<bool>("removeMidway");    // the folder goes away while the controller is written
  QTest::addColumn<int>("status");           // of the last run
  QTest::addColumn<QString>("message");
  QTest::addColumn<int>("files");
  const QString longName = QString(130, QChar(u'Ż'));
  QTest::newRow("similar names") << QStringList{"A/B", "A_B", "A:B"} << "@/r" << false << 0 << "" << 6;
  QTest::newRow("one site twice") << QStringList{"A/B", "A/B"} << "@/r" << false << 0 << "" << 4;
  QTest::newRow("130 letters") << QStringList{longName} << "@/r" << false << 0 << "" << 2;
  QTest::newRow("no file can be made there") << QStringList{"A/B"} << "/proc/self" << false << 1
                                             << "/proc/self: nie można tu zapisać protokołu" << 0;
  QTest::newRow("folder gone after the check") << QStringList{"A/B"} << "@/r" << true << 6
                                               << "sterownik zapisany, weryfikacja: zgodna; protokołu nie zapisano" << 0;
}

void TstOutcomes::records() {
  QFETCH(QStringList, sites);
  QFETCH(QString, folder);
  QFETCH(bool, removeMidway);
  CliRig rig;
  START_RIG(rig);
  if (removeMidway) QVERIFY(rig.sim.SetFaults({"slow=100"}));
  QByteArray table = "site,phone2\n";
  for (const QString& site : QSet<QString>(sites.begin(), sites.end())) table += "\"" + site.toUtf8() + "\",+48222\n";
  const QString t = rig.File("t.json", Template), s = rig.File("s.csv", table);
  const QString records = rig.InFolder({folder}).front();
  CliResult result;
  for (const QString& site : sites) {
    QProcess cli;
    rig.Launch(cli, {"provision", t, "--sites", s, "--site", site, "--verify", "--record", records});
    if (removeMidway) {
      QVERIFY(rig.sim.WaitForRequests(3, 20000));
      QVERIFY(QDir(records).removeRecursively());
    }
    result = Finish(cli, 60000);
  }
  QFETCH(int, status);
  QFETCH(QString, message);
  QVERIFY2(result.status == status && result.err.contains(message), qPrintable(result.Describe()));
  QTEST(int(QDir(records).entryList({"*.json", "*.txt"}, QDir::Files).size()), "files");
  // Refused before anything was sent, or written whole.
  QCOMPARE(rig.sim.RequestCount(), status == 1 ? 0 : sites.size() * (2 + 2 * Cmd::ItemCount + 1));
}
