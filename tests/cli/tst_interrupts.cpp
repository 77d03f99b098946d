// Ctrl-C while velt-cli talks to the controller.
#include <QJsonDocument>
#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "cli_rig.h"
#include "config_file.h"
#include "tst_cli.h"

namespace {

void Interrupt(const QProcess& process) { ::kill(pid_t(process.processId()), SIGINT); }

}  // namespace

void TstInterrupts::transferStopsAfterCurrentItem_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("firstItemCommand");
  QTest::newRow("read into a file") << QStringList{"read", "-o", "@/c.gcf"} << int(Cmd::ReadItemFirst);
  QTest::newRow("write of a file") << QStringList{"write", "@/a.gcf"} << int(Cmd::WriteItemFirst);
}

void TstInterrupts::transferStopsAfterCurrentItem() {
  QFETCH(QStringList, arguments);
  QFETCH(int, firstItemCommand);
  CliRig rig;
  START_RIG(rig);
  QVERIFY(rig.sim.SetFaults({"slow=300"}));  // every reply 300 ms late: Ctrl-C lands inside a wait
  rig.File("a.gcf", ConfigFileBytes("7315", ConfigRecord::Default().values));
  QProcess cli;
  rig.Launch(cli, rig.InFolder(arguments));
  QVERIFY(rig.sim.WaitForRequests(4, 10000));  // the login and three items
  Interrupt(cli);
  const CliResult f = Finish(cli, 10000);
  QVERIFY2(f.status == 1, qPrintable(f.err));

  // Items in order from the first, each once, then the logout.
  const QStringList commands = rig.Commands().split(u' ');
  QCOMPARE(commands.front(), QStringLiteral("1"));
  QCOMPARE(commands.back(), QStringLiteral("2"));
  const qsizetype items = commands.size() - 2;
  QVERIFY2(items >= 3 && items < Cmd::ItemCount, qPrintable(rig.Commands()));
  for (qsizetype i = 0; i < items; ++i) QCOMPARE(commands[i + 1].toInt(), firstItemCommand + 2 * int(i));
  QVERIFY2(f.err.contains(QStringLiteral("przerwano (Ctrl-C) po pozycji %1").arg(items - 1)), qPrintable(f.err));
  const QString held = firstItemCommand == Cmd::ReadItemFirst ? QStringLiteral("odczytano %1 z 29")
                                                              : QStringLiteral("sterownik ma zapisane %1 z 29 pozycji");
  QVERIFY2(f.err.contains(held.arg(items)), qPrintable(f.err));
  QVERIFY(!QFile::exists(rig.File("c.gcf")));
}

void TstInterrupts::firmwareUpdateIsNotInterrupted() {
  CliRig rig({.baud = 1200, .stageStepMs = 0});  // a block takes half a second on the line
  START_RIG(rig);
  QProcess cli;
  rig.Launch(cli, {"firmware", rig.File("f.gfr", WithChecksum("gfr" + QByteArray(256, '\x5A')))});
  QVERIFY(rig.sim.WaitForRequests(3, 10000));  // login, restart, first block
  // A second Ctrl-C would end the wait of any other command at once; it goes once the first
  // has been refused (two signals pending together count as one).
  cli.setReadChannel(QProcess::StandardError);
  QString refusals;
  for (int ctrlC = 1; ctrlC <= 2; ++ctrlC) {
    Interrupt(cli);
    while (refusals.count(QStringLiteral("nie zostanie przerwana")) < ctrlC && cli.waitForReadyRead(5000))
      refusals += QString::fromUtf8(cli.readAllStandardError());
  }
  const CliResult f = Finish(cli, 20000);
  QVERIFY2(f.status == 0, qPrintable(refusals + f.err));
  QCOMPARE(refusals.count(QStringLiteral("nie zostanie przerwana")), 2);
  QCOMPARE(rig.Commands(), QStringLiteral("1 100 101 101 101 101 102"));
  QCOMPARE(rig.sim.ReceivedFirmware(), QByteArray(256, '\x5A'));
}

void TstInterrupts::watchEndsWithLogout() {
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetFixedStatus(QByteArray::fromHex("0580130F0201"));
  QProcess cli;
  rig.Launch(cli, {"status", "--watch", "--json"});
  QVERIFY(rig.sim.WaitForRequests(3, 10000));  // the login and two polls a second apart
  Interrupt(cli);
  const CliResult f = Finish(cli, 5000);
  QVERIFY2(f.status == 0, qPrintable(f.err));
  const QStringList commands = rig.Commands().split(u' ');
  QCOMPARE(commands.back(), QStringLiteral("2"));
  QCOMPARE(commands.count(QStringLiteral("80")), commands.size() - 2);
  const QStringList lines = f.out.split(u'\n', Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), commands.size() - 2);
  for (const QString& line : lines) {
    const QJsonObject poll = QJsonDocument::fromJson(line.toUtf8()).object();
    QCOMPARE(poll.value("stage").toString(), QStringLiteral("Połączony z siecią GSM"));
    QVERIFY(!poll.value("time").toString().isEmpty());
  }
}

// A CSV reader that opened and never reads holds up neither the watch nor its end: a stop
// signal ends it at once, logged out, and the lines it could not take are told.
void TstInterrupts::watchCsvStalledReader_data() {
  QTest::addColumn<int>("signal");
  QTest::newRow("SIGTERM") << SIGTERM;
  QTest::newRow("Ctrl-C") << SIGINT;
  QTest::newRow("SIGHUP") << SIGHUP;
}

void TstInterrupts::watchCsvStalledReader() {
  QFETCH(int, signal);
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetFixedStatus(QByteArray::fromHex("0580130F0201"));
  const QString fifo = rig.File("walk.csv");
  const QByteArray name = QFile::encodeName(fifo);
  QCOMPARE(::mkfifo(name.constData(), 0600), 0);
  const int reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  QVERIFY(reader >= 0);
  // The pipe full before velt-cli comes: its first line finds no room.
  const int filler = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
  QVERIFY(filler >= 0);
  const QByteArray block(4096, 'x');
  for (qsizetype size = block.size(); size > 0; size /= 2)
    while (::write(filler, block.constData(), size_t(size)) > 0) {}
  ::close(filler);

  QProcess cli;
  rig.Launch(cli, {"status", "--watch", "--csv", fifo});
  QVERIFY(rig.sim.WaitForRequests(3, 10000));  // the login and two polls
  ::kill(pid_t(cli.processId()), signal);
  const CliResult f = Finish(cli, 3000);
  ::close(reader);
  QVERIFY2(f.status == 1 && f.err.contains(fifo + ": nie zapisano "), qPrintable(f.Describe()));
  QCOMPARE(rig.Commands().split(u' ').back(), QStringLiteral("2"));
}
