// status, ports, passwd, restart, reset-counters, firmware, and a controller or line that fails.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QtTest>
#include <csignal>
#include <sys/resource.h>

#include "cli_rig.h"
#include "comport.h"
#include "config_file.h"
#include "signal_sparkline.h"
#include "stepped_clock.h"
#include "tst_cli.h"

namespace {

QString Bits(const QJsonArray& array) {
  QString bits;
  for (const QJsonValue& v : array) bits += v.toBool() ? u'1' : u'0';
  return bits;
}

QByteArray Image(int size) {
  QByteArray image;
  for (int i = 0; i < size; ++i) image.append(char(i * 7));
  return image;
}

}  // namespace

void TstControllerCommands::status_data() {
  QTest::addColumn<QByteArray>("payload");
  QTest::addColumn<QString>("stage");
  QTest::addColumn<int>("signal");
  QTest::addColumn<int>("percent");
  QTest::addColumn<QString>("inputs");
  QTest::addColumn<bool>("tamper");
  QTest::addColumn<QString>("outputs");
  QTest::addColumn<int>("events");
  QTest::addColumn<int>("sms");
  QTest::addColumn<int>("voice");
  QTest::newRow("registered") << QByteArray::fromHex("0580130F0201") << "Połączony z siecią GSM" << 15 << 75 << "10100"
                              << true << "000" << 0 << 2 << 1;
  QTest::newRow("modem reset, no level, everything at most")
      << QByteArray::fromHex("FFFF6463FFFF") << "RESET modemu GSM" << 0 << 0 << "11111" << true << "111" << 127 << 255 << 255;
  QTest::newRow("unknown stage, level past the gauge")
      << QByteArray::fromHex("4A0014170000") << "" << 20 << 100 << "01010" << false << "010" << 0 << 0 << 0;
  QTest::newRow("level 22 shows a full gauge") << QByteArray::fromHex("000009160000") << "Wprowadzanie PIN" << 20 << 100
                                               << "00000" << false << "000" << 0 << 0 << 0;
}

void TstControllerCommands::status() {
  QFETCH(QByteArray, payload);
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetFixedStatus(payload);
  const CliResult result = rig.Run({"status", "--json"});
  QVERIFY2(result.status == 0, qPrintable(result.Describe()));
  const QJsonObject s = result.Json();
  QTEST(s.value("stage").toString(), "stage");
  QTEST(s.value("signal").toInt(), "signal");
  QTEST(s.value("signal_percent").toInt(), "percent");
  QTEST(Bits(s.value("inputs").toArray()), "inputs");
  QTEST(s.value("tamper").toBool(), "tamper");
  QTEST(Bits(s.value("outputs").toArray()), "outputs");
  QTEST(s.value("events").toInt(), "events");
  QTEST(s.value("sms_today").toInt(), "sms");
  QTEST(s.value("voice_today").toInt(), "voice");
  QCOMPARE(s.value("firmware").toString(), QStringLiteral("VELT v 1.8"));
  QCOMPARE(rig.Commands(), QStringLiteral("1 80 2"));
}

void TstControllerCommands::statusText() {
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetFixedStatus(QByteArray::fromHex("0580130F0201"));
  const CliResult result = rig.Run({"status"});
  QVERIFY2(result.status == 0, qPrintable(result.Describe()));
  const QStringList expected{
      "Firmware:          VELT v 1.8",
      "Modem GSM:         Połączony z siecią GSM",
      "Sygnał GSM:        15/20 (75%)",
      "Wejścia:           IN1=1 IN2=0 IN3=1 IN4=0 IN5=0 F=1  (0: zwarte do masy)",
      "Wyjścia:           Out1=0 Out2=0 Out3=0  (1: wyjście aktywne)",
      "Zdarzenia:         0",
      "SMS dzisiaj:       2",
      "Połączeń dzisiaj:  1",
  };
  QCOMPARE(result.out.split(u'\n', Qt::SkipEmptyParts), expected);
  QVERIFY2(result.err.contains("Wylogowano ze sterownika VELT"), qPrintable(result.err));
  QVERIFY(!RunCli({"-q", "-p", rig.sim.DevicePath(), "status"}).err.contains("Wylogowano"));
}

// A header, then a line for every reply until the time is up; a reply's level as the controller
// sent it beside its percentage.
void TstControllerCommands::watchCsv_data() {
  QTest::addColumn<QByteArray>("payload");
  QTest::addColumn<QString>("fields");  // after the time
  QTest::newRow("registered") << QByteArray::fromHex("0580130F0201") << "15,75,1,0,1,0,0,1,0,0,0,0,19,Połączony z siecią GSM,2,1";
  QTest::newRow("no level, modem reset, everything at most")
      << QByteArray::fromHex("FFFF6463FFFF") << "99,,1,1,1,1,1,1,1,1,1,127,100,RESET modemu GSM,255,255";
  QTest::newRow("level past the scale, unknown stage")
      << QByteArray::fromHex("4A0014170000") << "23,100,0,1,0,1,0,0,0,1,0,0,20,,0,0";
}

void TstControllerCommands::watchCsv() {
  QFETCH(QByteArray, payload);
  QFETCH(QString, fields);
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetFixedStatus(payload);
  const QString csv = rig.File("watch.csv");
  QElapsedTimer took;
  took.start();
  const CliResult result = rig.Run({"status", "--watch", "--csv", csv, "--for", "3s"}, 15000);
  QVERIFY2(result.status == 0, qPrintable(result.Describe()));
  QVERIFY2(took.elapsed() < 8000, qPrintable(QString::number(took.elapsed())));

  const QStringList commands = rig.Commands().split(u' ');
  QCOMPARE(commands.first(), "1");
  QCOMPARE(commands.last(), "2");
  const qsizetype polls = commands.count("80");
  QCOMPARE(polls, commands.size() - 2);
  QVERIFY2(polls >= 3 && polls <= 4, qPrintable(rig.Commands()));

  QFile file(csv);
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), polls + 1);
  QCOMPARE(lines.first(), "time,signal_raw,signal_percent,in1,in2,in3,in4,in5,tamper,out1,out2,out3,events,"
                          "stage_code,stage,sms_today,voice_today");
  QDateTime previous;
  for (const QString& line : lines.mid(1)) {
    const QDateTime time = QDateTime::fromString(line.section(u',', 0, 0), Qt::ISODate);
    QVERIFY2(time.isValid() && (!previous.isValid() || time >= previous), qPrintable(line));
    previous = time;
    QCOMPARE(line.section(u',', 1), fields);
  }
  QCOMPARE(result.out.split(u'\n', Qt::SkipEmptyParts).size(), polls);
}

// Nothing is made or changed before the first status reply: a file already there stays as it
// was, even with --force, and none appears where there was none.
void TstControllerCommands::watchCsvKeepsFile_data() {
  QTest::addColumn<QString>("fault");
  QTest::addColumn<bool>("existing");
  QTest::addColumn<int>("status");
  QTest::newRow("wrong password, a file there") << "wrong-password" << true << 4;
  QTest::newRow("silent controller, a file there") << "silent" << true << 3;
  QTest::newRow("wrong password, no file") << "wrong-password" << false << 4;
  QTest::newRow("silent controller, no file") << "silent" << false << 3;
}

void TstControllerCommands::watchCsvKeepsFile() {
  QFETCH(QString, fault);
  QFETCH(bool, existing);
  CliRig rig;
  START_RIG(rig);
  QVERIFY(rig.sim.SetFaults({fault}));
  const QByteArray walk = "time,signal_raw\n2025-03-01T14:05:09+01:00,15\n";
  const QString csv = existing ? rig.File("walk.csv", walk) : rig.File("walk.csv");
  QStringList arguments{"status", "--watch", "--csv", csv};
  if (existing) arguments << "--force";  // without it, refused before the port is opened
  const CliResult result = rig.Run(arguments, 30000);
  QTEST(result.status, "status");
  QFile file(csv);
  QCOMPARE(file.exists(), existing);
  if (existing) {
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), walk);
  }
  QCOMPARE(QDir(rig.folder.path()).entryList(QDir::Files | QDir::Hidden).size(), existing ? 1 : 0);
}

// A target that fills up ends the watch after the logout, in Polish, and a file keeps only
// whole lines.
void TstControllerCommands::watchCsvFull_data() {
  QTest::addColumn<QString>("target");  // "@": the rig's folder
  QTest::addColumn<QString>("message");
  QTest::newRow("a full device") << "/dev/full" << "/dev/full: brak miejsca na dysku";
  QTest::newRow("a file at its size limit") << "@/walk.csv" << "@/walk.csv: plik za duży; w pliku zostały tylko pełne wiersze";
}

void TstControllerCommands::watchCsvFull() {
  QFETCH(QString, target);
  QFETCH(QString, message);
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetFixedStatus(QByteArray::fromHex("0580130F0201"));
  constexpr rlim_t SizeLimit = 600;  // the header and a few lines
  QProcess cli;
  cli.setChildProcessModifier([] {
    const rlimit limit{SizeLimit, SizeLimit};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    ::signal(SIGXFSZ, SIG_IGN);  // then a write past the limit fails with EFBIG
  });
  rig.Launch(cli, rig.InFolder({"status", "--watch", "--csv", target}));
  const CliResult result = Finish(cli, 20000);
  QVERIFY2(result.status == 1 && result.err.contains(rig.InFolder({message}).front()), qPrintable(result.Describe()));
  QVERIFY2(rig.Commands().endsWith(" 2"), qPrintable(rig.Commands()));
  if (target.startsWith(u'/')) return;
  QFile file(rig.InFolder({target}).front());
  QVERIFY(file.open(QIODevice::ReadOnly));
  const QByteArray kept = file.readAll();
  QVERIFY2(kept.endsWith('\n') && kept.size() <= qsizetype(SizeLimit), kept.constData());
  const QList<QByteArray> lines = kept.split('\n');
  QVERIFY2(lines.size() >= 3, kept.constData());  // the header and at least one reply
  for (const QByteArray& line : lines.mid(0, lines.size() - 1)) QCOMPARE(line.count(','), lines.front().count(','));
}

// The watch's line of the last minute is laid out on the monotonic clock: a step of the wall
// clock either way leaves it as it would be without one, and never reaches past its columns.
void TstControllerCommands::sparklineAcrossClockSteps_data() {
  QTest::addColumn<int>("stepAt");  // of 70 replies a second apart
  QTest::addColumn<qint64>("stepMs");
  QTest::newRow("back 3 s with the newest reply") << 69 << -3000LL;
  QTest::newRow("back 3 s half a minute ago") << 40 << -3000LL;
  QTest::newRow("forward 3 s half a minute ago") << 40 << 3000LL;
  QTest::newRow("back a month with the newest reply") << 69 << -MonthMs;
  QTest::newRow("back a month half a minute ago") << 40 << -MonthMs;
  QTest::newRow("forward a month with the newest reply") << 69 << MonthMs;
}

void TstControllerCommands::sparklineAcrossClockSteps() {
  QFETCH(int, stepAt);
  QFETCH(qint64, stepMs);
  SteppedClock steady, stepped;
  StatusHistory expected(StatusHistory::HalfHourOfPolls, steady.Clock());
  StatusHistory history(StatusHistory::HalfHourOfPolls, stepped.Clock());
  RecordEverySecond(expected, steady, 70);
  RecordEverySecond(history, stepped, 70, stepAt, stepMs);
  const QString line = SignalSparkline(history);
  QCOMPARE(line, SignalSparkline(expected));
  const QString columns = line.section(u'▕', 1).section(u'▏', 0, 0);
  QVERIFY2(!columns.isEmpty() && !columns.contains(u' '), qPrintable(line));  // every second has its reply
}

void TstControllerCommands::ports() {
  CliRig rig;
  START_RIG(rig);
  // Two virtual ports where discovery looks: the command line must then name one.
  QProcessEnvironment environment = CliEnvironment();
  environment.insert("XDG_RUNTIME_DIR", rig.folder.path());
  for (const char* name : {"velt-a", "velt-b"})
    QVERIFY(QFile::link(rig.sim.DevicePath(), QDir(rig.folder.path()).filePath(name)));
  const CliResult listed = RunCli({"ports", "--json"}, 10000, environment);
  QCOMPARE(listed.status, 0);
  QStringList found;
  for (const QJsonValue& p : listed.Json().value("ports").toArray()) {
    if (!p["port"].toString().startsWith(rig.folder.path())) continue;
    QVERIFY(!p["description"].toString().isEmpty());
    found.append(p["port"].toString());
  }
  QCOMPARE(found, (QStringList{rig.File("velt-a"), rig.File("velt-b")}));
  const CliResult text = RunCli({"ports"}, 10000, environment);
  QVERIFY(text.out.contains(rig.File("velt-a")));

  const CliResult unnamed = RunCli({"status"}, 10000, environment);
  QVERIFY2(unnamed.status == 2 && unnamed.err.contains("opcją -p") && unnamed.err.contains(rig.File("velt-b")),
           qPrintable(unnamed.Describe()));
  QCOMPARE(rig.sim.RequestCount(), 0);
}

void TstControllerCommands::maintenance_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("commands");
  QTest::addColumn<QString>("out");
  QTest::addColumn<QByteArray>("password");  // the controller's afterwards
  QTest::addColumn<int>("sms");              // SMS counted today, afterwards
  QTest::addColumn<bool>("bootloader");
  QTest::newRow("new password") << QStringList{"passwd", "4321"} << "1 3 2" << "Hasło zmienione" << QByteArray("4321") << 5 << false;
  QTest::newRow("new password, JSON") << QStringList{"--json", "passwd", "0000"} << "1 3 2" << R"({"password_changed":true})"
                                      << QByteArray("0000") << 5 << false;
  QTest::newRow("restart, without a logout") << QStringList{"restart"} << "1 100" << "Wysłano polecenie restartu sterownika"
                                             << QByteArray("7315") << 5 << true;
  QTest::newRow("counters") << QStringList{"reset-counters"} << "1 81 2" << "Wysłano zerowanie dziennych liczników SMS i połączeń"
                            << QByteArray("7315") << 0 << false;
}

void TstControllerCommands::maintenance() {
  QFETCH(QStringList, arguments);
  CliRig rig;
  START_RIG(rig);
  ControllerState state = ControllerState::New();
  state.smsToday = 5;
  rig.sim.SetState(state);
  const CliResult result = rig.Run(arguments);
  QVERIFY2(result.status == 0, qPrintable(result.Describe()));
  QTEST(rig.Commands(), "commands");
  QTEST(result.out.trimmed(), "out");
  QTEST(rig.sim.State().password, "password");
  QTEST(int(rig.sim.State().smsToday), "sms");
  QTEST(rig.sim.InBootloader(), "bootloader");
}

void TstControllerCommands::firmware_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<QString>("fault");
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("commands");
  QTest::addColumn<QString>("message");
  QTest::newRow("65 bytes in two blocks") << 65 << "" << 0 << "1 100 101 101 102" << "Aktualizacja zakonczona";
  QTest::newRow("128 bytes, no padded block") << 128 << "" << 0 << "1 100 101 101 102" << "Aktualizacja zakonczona";
  QTest::newRow("refused password, updated all the same") << 64 << "wrong-password" << 0 << "1 100 101 102"
                                                          << "Błędne hasło: kontynuuję bez logowania";
  QTest::newRow("login unanswered, updated all the same") << 64 << "drop=1" << 0 << "1 1 1 100 101 102"
                                                         << "Brak odpowiedzi z nadajnika VELT: kontynuuję bez logowania";
  QTest::newRow("block never acknowledged") << 130 << "no-ack=1" << 3 << "1 100 101 101 101 101"
                                            << "Brak odpowiedzi z VELT, aktualizacja nieudana";
}

void TstControllerCommands::firmware() {
  QFETCH(int, size);
  QFETCH(QString, fault);
  QFETCH(int, status);
  QFETCH(QString, message);
  CliRig rig({.baud = 1200, .stageStepMs = 0});  // a "!" only once the block has arrived
  START_RIG(rig);
  if (!fault.isEmpty()) QVERIFY(rig.sim.SetFaults({fault}));
  const QByteArray image = Image(size);
  const CliResult result = rig.Run({"firmware", rig.File("f.gfr", WithChecksum("gfr" + image))});
  QVERIFY2(result.status == status, qPrintable(result.Describe()));
  QTEST(rig.Commands(), "commands");
  QVERIFY2((result.out + result.err).contains(message), qPrintable(result.Describe()));
  QVERIFY(result.err.contains("NIE WYŁĄCZAJ STEROWNIKA VELT Z ZASILANIA"));
  if (status != 0) return;
  QVERIFY(result.err.contains("Aktualizacja firmware: 100%"));
  const int padded = (size + 63) / 64 * 64;
  QCOMPARE(rig.sim.ReceivedFirmware(), image + QByteArray(padded - size, char(0xFF)));
}

void TstControllerCommands::faults_data() {
  QTest::addColumn<QString>("fault");
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("message");
  QTest::addColumn<QString>("commands");
  QTest::newRow("silent controller") << "silent" << QStringList{"status"} << 3 << "Brak odpowiedzi z nadajnika VELT"
                                     << "1 1 1";
  QTest::newRow("wrong password") << "wrong-password" << QStringList{"read"} << 4 << "Błędne hasło" << "1";
  QTest::newRow("login answered the second time") << "drop=1x1" << QStringList{"get", "pin"} << 0 << "" << "1 1 4 2";
  QTest::newRow("silent in the middle of a write")
      << "silent-after=3" << QStringList{"set", "phone1=+481", "phone2=+482", "phone3=+483"} << 3
      << "Brak odpowiedzi z nadajnika VELT (pozycja 4: phone3; sterownik ma zapisane 2 z 3 pozycji, pozostałe bez zmian (pozycja phone3 mogła zostać zapisana))" << "1 9 11 13 13 13";
  // A reply too short for its item: every item is read, then the command fails; no file is written.
  QStringList reads{"1"};
  for (int k = 0; k < Cmd::ItemCount; ++k) reads << QString::number(Cmd::ReadItem(k));
  const QString shortReply = QStringLiteral("Nie odczytano z nadajnika VELT (za krótka odpowiedź): ");
  QTest::newRow("short reply in a read into a file") << "short=52" << QStringList{"read", "-o", "@/c.gcf"} << 1
                                                     << shortReply + "out_times" << (reads + QStringList{"2"}).join(' ');
  QTest::newRow("short reply in a get") << "short=58" << QStringList{"get", "options", "pin"} << 1
                                        << shortReply + "options" << "1 4 58 2";
  // The controller holds the item by then: what failed came after it.
  QTest::newRow("short reply in a verification") << "short=48" << QStringList{"set", "input_matrix=IN1T1", "--verify"}
                                                 << 7 << shortReply + "input_matrix" << "1 49 48 2";
}

void TstControllerCommands::faults() {
  QFETCH(QString, fault);
  QFETCH(QStringList, arguments);
  QFETCH(int, status);
  QFETCH(QString, message);
  CliRig rig;
  START_RIG(rig);
  QVERIFY(rig.sim.SetFaults({fault}));
  const CliResult result = rig.Run(rig.InFolder(arguments), 30000);
  QVERIFY2(result.status == status, qPrintable(result.Describe()));
  QVERIFY2(result.err.contains(message), qPrintable(result.err));
  QTEST(rig.Commands(), "commands");
  QVERIFY(!QFile::exists(rig.File("c.gcf")));
}

void TstControllerCommands::hangUpMidTransfer_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("before");  // the requests answered before the line closed
  QTest::newRow("read into a file") << QStringList{"read", "-o", "@/c.gcf"} << "1 4 6 8 10";
  QTest::newRow("write of a file") << QStringList{"write", "@/a.gcf"} << "1 5 7 9 11";
}

void TstControllerCommands::hangUpMidTransfer() {
  QFETCH(QStringList, arguments);
  QFETCH(QString, before);
  CliRig rig;
  START_RIG(rig);
  QVERIFY(rig.sim.SetFaults({"hangup-after=5"}));
  rig.File("a.gcf", ConfigFileBytes("7315", ConfigRecord::Default().values));
  QElapsedTimer took;
  took.start();
  const CliResult result = rig.Run(rig.InFolder(arguments), 30000);
  QVERIFY2(result.status == 1 && result.err.contains("utracono połączenie z portem " + rig.sim.DevicePath() + ", adapter mógł zostać odłączony"), qPrintable(result.Describe()));
  QVERIFY2(took.elapsed() < 5000, "a vanished port ends the command at once");
  // The line closes a moment after the fifth answer; whatever went out meanwhile, the transfer
  // never got to its end and sent no logout.
  const QString commands = rig.Commands();
  QVERIFY2(commands.startsWith(before) && !commands.endsWith(" 2") && commands.count(u' ') < Cmd::ItemCount, qPrintable(commands));
  QVERIFY(!QFile::exists(rig.File("c.gcf")));
}

void TstControllerCommands::portUnavailable_data() {
  QTest::addColumn<bool>("held");
  QTest::addColumn<QString>("message");
  QTest::newRow("missing") << false << "nie ma portu";
  QTest::newRow("held by another program") << true << "jest używany przez inny program";
}

void TstControllerCommands::portUnavailable() {
  QFETCH(bool, held);
  QFETCH(QString, message);
  CliRig rig;
  START_RIG(rig);
  TComPort holder;
  holder.SetPort(QFile::encodeName(rig.sim.DevicePath()));
  if (held) holder.OpenPort();
  const QString port = held ? rig.sim.DevicePath() : rig.File("no-such-port");
  const CliResult result = RunCli({"-p", port, "status"});
  QVERIFY2(result.status == 1 && result.err.contains(message) && result.err.contains(port), qPrintable(result.Describe()));
  QCOMPARE(rig.sim.RequestCount(), 0);
}
