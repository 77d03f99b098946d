// The velt-sim program: device path and link, signals, options, the state file.
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>
#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

#include "commands.h"
#include "config_file.h"
#include "firmware_image.h"
#include "frame.h"
#include "sim_line.h"
#include "state_file.h"
#include "version.h"

namespace {

// Ends a program with SIGTERM, or with SIGKILL when that has not ended it within graceMs, so
// that no simulator outlives its test; whether it has ended.
bool Finish(QProcess& process, int graceMs) {
  if (process.state() == QProcess::NotRunning) return true;
  process.terminate();
  if (process.waitForFinished(graceMs)) return true;
  process.kill();
  return process.waitForFinished(5000);
}

// A running velt-sim; ended when the test leaves.
class SimProcess {
 public:
  ~SimProcess() { Finish(process, 5000); }

  // Starts the program and reads its first line: the device path, then the link when given.
  // Unpaced unless asked: these tests talk faster than the controller's line.
  bool Start(const QStringList& args, bool withLink = false, bool paced = false) {
    process.start(QStringLiteral(VELT_SIM_PATH), paced ? args : QStringList{"--unpaced"} + args);
    if (!process.waitForStarted(5000)) return false;
    const QStringList first = ReadLine().split(QLatin1Char(' '));
    device = first.value(0);
    if (withLink) link = first.value(1);
    return device.startsWith("/dev/") && first.size() == (withLink ? 2 : 1);
  }

  // Sends the signal and waits for the program to end; its exit code, or -1.
  int Signal(int number) {
    ::kill(pid_t(process.processId()), number);
    if (!process.waitForFinished(5000) || process.exitStatus() != QProcess::NormalExit) return -1;
    return process.exitCode();
  }

  QString device, link;
  QProcess process;

 private:
  QString ReadLine() {
    while (!process.canReadLine())
      if (!process.waitForReadyRead(5000)) return {};
    return QString::fromLocal8Bit(process.readLine()).trimmed();
  }
};

// Runs velt-sim to its end (for command lines it refuses); the exit code, or -1.
int RunToEnd(const QStringList& args, QByteArray* out, QByteArray* err) {
  QProcess p;
  p.start(QStringLiteral(VELT_SIM_PATH), args);
  if (!p.waitForFinished(5000)) {
    Finish(p, 1000);
    return -1;
  }
  *out = p.readAllStandardOutput();
  *err = p.readAllStandardError();
  return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool LinkExists(const QString& path) { return QFileInfo(path).isSymLink() || QFileInfo::exists(path); }

bool LinkAndLockGone(const QString& link) { return !LinkExists(link) && !LinkExists(link + ".lock"); }

struct stat Lstat(const QString& path) {
  struct stat st {};
  lstat(QFile::encodeName(path).constData(), &st);
  return st;
}

}  // namespace

class TestSimProgram : public QObject {
  Q_OBJECT

 private slots:
  void linkLoginAndSignal_data();
  void linkLoginAndSignal();
  void stopSignalDuringStartUp_data();
  void stopSignalDuringStartUp();
  void oldLinkIsReplaced();
  void otherFileIsNotReplaced();
  void liveLinkIsNotTakenOver();
  void staleLinkIsTakenOver();
  void hangupEndsTheProgram_data();
  void hangupEndsTheProgram();
  void optionsReachTheController();
  void reopenedLinkIsServed();
  void traceShowsTheExchange();
  void stateSurvivesRestart();
  void unusableStateFile_data();
  void unusableStateFile();
  void stateFileRefused_data();
  void stateFileRefused();
  void badCommandLine_data();
  void badCommandLine();
  void answers_data();
  void answers();
  void unresponsiveProgramIsKilled();
  void firmwareAtTheProgramsPace();
  void linkInOtherBytes();
};

void TestSimProgram::linkLoginAndSignal_data() {
  QTest::addColumn<int>("signal");
  QTest::newRow("SIGTERM") << int(SIGTERM);
  QTest::newRow("SIGINT") << int(SIGINT);
  QTest::newRow("SIGHUP") << int(SIGHUP);
}

void TestSimProgram::linkLoginAndSignal() {
  QFETCH(int, signal);
  QTemporaryDir dir;
  const QString link = dir.filePath("velt");
  SimProcess sim;
  QVERIFY(sim.Start({"--link", link}, true));
  QCOMPARE(sim.link, link);
  QCOMPARE(QFileInfo(link).symLinkTarget(), sim.device);
  SimLine line(link);
  QVERIFY2(line.IsOpen(), qPrintable(line.Error()));
  QCOMPARE(line.Ask(Cmd::Login, "7315"), Hex("67 01 02 54 38 F6"));
  QCOMPARE(sim.Signal(signal), 0);
  QVERIFY(LinkAndLockGone(link));
}

void TestSimProgram::stopSignalDuringStartUp_data() { linkLoginAndSignal_data(); }

// Wherever in its start a stop signal finds the program, it ends and leaves nothing behind.
void TestSimProgram::stopSignalDuringStartUp() {
  QFETCH(int, signal);
  QTemporaryDir dir;
  const QString link = dir.filePath("velt");
  QProcess process;
  process.start(QStringLiteral(VELT_SIM_PATH), {"--link", link, "--state", dir.filePath("state.json")});
  QVERIFY(process.waitForStarted(5000));
  ::kill(pid_t(process.processId()), signal);
  QVERIFY(process.waitForFinished(5000));
  QVERIFY(LinkAndLockGone(link));
}

void TestSimProgram::oldLinkIsReplaced() {
  QTemporaryDir dir;
  const QString link = dir.filePath("velt");
  QVERIFY(QFile::link("/nonexistent/old-device", link));
  SimProcess sim;
  QVERIFY(sim.Start({"--link", link}, true));
  QCOMPARE(QFileInfo(link).symLinkTarget(), sim.device);
  SimLine line(link);
  QCOMPARE(line.Ask(Cmd::Login, "7315"), Hex("67 01 02 54 38 F6"));
}

void TestSimProgram::otherFileIsNotReplaced() {
  QTemporaryDir dir;
  const QString path = dir.filePath("notes.txt");
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly));
  file.write("keep me");
  file.close();
  QByteArray out, err;
  QCOMPARE(RunToEnd({"--link", path}, &out, &err), 1);
  QVERIFY2(err.contains("not a symbolic link"), err.constData());
  QVERIFY(file.open(QIODevice::ReadOnly));
  QCOMPARE(file.readAll(), QByteArray("keep me"));
  QVERIFY(!LinkExists(path + ".lock"));
}

void TestSimProgram::liveLinkIsNotTakenOver() {
  QTemporaryDir dir;
  const QString link = dir.filePath("velt");
  SimProcess first;
  QVERIFY(first.Start({"--link", link}, true));
  QByteArray out, err;
  QCOMPARE(RunToEnd({"--link", link}, &out, &err), 1);
  QVERIFY2(err.contains(QFile::encodeName(link)) && err.contains("in use by another simulator") &&
               err.contains(QByteArray::number(first.process.processId())),
           err.constData());
  QCOMPARE(out, QByteArray());
  QCOMPARE(QFileInfo(link).symLinkTarget(), first.device);
  {
    SimLine line(link);
    QCOMPARE(line.Ask(Cmd::Login, "7315"), Hex("67 01 02 54 38 F6"));
  }
  QCOMPARE(first.Signal(SIGTERM), 0);
  SimProcess second;
  QVERIFY(second.Start({"--link", link}, true));
  QCOMPARE(QFileInfo(link).symLinkTarget(), second.device);
}

// A killed simulator leaves its link and lock file behind, the lock no longer held.
void TestSimProgram::staleLinkIsTakenOver() {
  QTemporaryDir dir;
  const QString link = dir.filePath("velt");
  SimProcess dead;
  QVERIFY(dead.Start({"--link", link}, true));
  QCOMPARE(dead.Signal(SIGKILL), -1);
  QVERIFY(QFileInfo(link).isSymLink() && QFileInfo::exists(link + ".lock"));
  SimProcess sim;
  QVERIFY(sim.Start({"--link", link}, true));
  QCOMPARE(QFileInfo(link).symLinkTarget(), sim.device);
  {
    SimLine line(link);
    QCOMPARE(line.Ask(Cmd::Login, "7315"), Hex("67 01 02 54 38 F6"));
  }
  QCOMPARE(sim.Signal(SIGTERM), 0);
  QVERIFY(LinkAndLockGone(link));
}

void TestSimProgram::hangupEndsTheProgram_data() {
  QTest::addColumn<int>("after");
  QTest::newRow("at once") << 0;
  QTest::newRow("after two answers") << 2;
}

// Once the line has hung up there is nothing left to serve: the program goes with its link.
void TestSimProgram::hangupEndsTheProgram() {
  QFETCH(int, after);
  QTemporaryDir dir;
  const QString link = dir.filePath("velt");
  SimProcess sim;
  QVERIFY(sim.Start({"--link", link, "--fault", QStringLiteral("hangup-after=%1").arg(after)}, true));
  if (after > 0) {
    SimLine line(sim.device);
    QVERIFY2(line.IsOpen(), qPrintable(line.Error()));
    for (int i = 0; i < after; ++i) QCOMPARE(line.Ask(Cmd::Login, "7315"), Hex("67 01 02 54 38 F6"));
    QVERIFY(line.HungUp(3000));
  }
  QVERIFY(sim.process.waitForFinished(5000));
  QCOMPARE(sim.process.exitStatus(), QProcess::NormalExit);
  QCOMPARE(sim.process.exitCode(), 0);
  QVERIFY(LinkAndLockGone(link));
}

void TestSimProgram::optionsReachTheController() {
  SimProcess sim;
  QVERIFY(sim.Start({"--password", "1234", "--firmware", "7", "--fault", "drop=80x1", "--fault", "noise=2"}));
  SimLine line(sim.device);
  QCOMPARE(line.Ask(Cmd::Login, "7315"), Frame::Reply(Cmd::Login, "N7"));
  QCOMPARE(line.Ask(Cmd::Login, "1234"), Frame::Reply(Cmd::Login, "T7"));
  QCOMPARE(line.Ask(Cmd::Status, "G", 300), QByteArray());
  QByteArray skipped;
  QVERIFY(line.Send(Cmd::Status, "G"));
  QCOMPARE(line.ReadFrame(2000, &skipped).size(), 10);
  QCOMPARE(skipped.size(), 2);
}

void TestSimProgram::reopenedLinkIsServed() {
  QTemporaryDir dir;
  const QString link = dir.filePath("velt");
  SimProcess sim;
  QVERIFY(sim.Start({"--link", link}, true));
  for (int round = 0; round < 3; ++round) {
    SimLine line(link);
    QVERIFY2(line.IsOpen(), qPrintable(line.Error()));
    QCOMPARE(line.Ask(Cmd::Login, "7315"), Hex("67 01 02 54 38 F6"));
  }
}

void TestSimProgram::traceShowsTheExchange() {
  SimProcess sim;
  QVERIFY(sim.Start({"--trace"}));
  SimLine line(sim.device);
  QCOMPARE(line.Ask(Cmd::Login, "7315"), Hex("67 01 02 54 38 F6"));
  QCOMPARE(sim.Signal(SIGTERM), 0);
  const QByteArray err = sim.process.readAllStandardError();
  QVERIFY2(err.contains("<- 47 01 04 37 33 31 35 1C") && err.contains("-> 67 01 02 54 38 F6"), err.constData());
}

void TestSimProgram::stateSurvivesRestart() {
  QTemporaryDir dir;
  const QString state = dir.filePath("controller.json");
  {
    SimProcess sim;
    QVERIFY(sim.Start({"--state", state}));
    SimLine line(sim.device);
    QCOMPARE(line.Ask(Cmd::WriteItem(0), "1111").left(2), QByteArray("g") + char(Cmd::WriteItem(0)));
    QCOMPARE(line.Ask(Cmd::WriteItem(9), Hex("5A 61 B3 B9 63 7A")).left(2), QByteArray("g") + char(Cmd::WriteItem(9)));
    QCOMPARE(line.Ask(Cmd::PasswordChange, "2468").left(2), QByteArray("g") + char(Cmd::PasswordChange));
    QCOMPARE(sim.Signal(SIGTERM), 0);
  }
  SimProcess sim;
  QVERIFY(sim.Start({"--state", state, "--password", "9999"}));  // the saved password wins
  SimLine line(sim.device);
  QCOMPARE(line.Ask(Cmd::ReadItem(0), "G"), Frame::Reply(Cmd::ReadItem(0), "1111"));
  QCOMPARE(line.Ask(Cmd::ReadItem(9), "G"), Frame::Reply(Cmd::ReadItem(9), Hex("5A 61 B3 B9 63 7A")));
  QCOMPARE(line.Ask(Cmd::Login, "2468"), Frame::Reply(Cmd::Login, "T8"));
  QCOMPARE(line.Ask(Cmd::Login, "9999"), Frame::Reply(Cmd::Login, "N8"));
}

void TestSimProgram::unusableStateFile_data() {
  QTest::addColumn<QByteArray>("content");
  QTest::newRow("not JSON") << QByteArray("{{{ garbage");
  QTest::newRow("empty") << QByteArray();
  QTest::newRow("another JSON document") << QByteArray(R"({"items": []})");
  QTest::newRow("too few items") << QByteArray(R"({"format": "velt-sim state 1", "password": "", "items": ["00"],)"
                                               R"( "sms": 0, "voice": 0})");
  QTest::newRow("as large as a state file may be") << QByteArray(MaxStateFileSize, ' ');
}

// A state file that cannot be used is reported, kept aside untouched, and the controller
// starts new; its next change is saved afresh.
void TestSimProgram::unusableStateFile() {
  QFETCH(QByteArray, content);
  QTemporaryDir dir;
  const QString state = dir.filePath("controller.json");
  QFile earlier(state + ".bad");  // from an earlier run; stays as it is
  QVERIFY(earlier.open(QIODevice::WriteOnly));
  earlier.write("earlier");
  earlier.close();
  {
    QFile file(state);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
  }
  SimProcess sim;
  QVERIFY(sim.Start({"--state", state}));
  SimLine line(sim.device);
  QCOMPARE(line.Ask(Cmd::ReadItem(0), "G"), Frame::Reply(Cmd::ReadItem(0), "7315"));
  QCOMPARE(line.Ask(Cmd::WriteItem(0), "2222").size(), 5);
  QCOMPARE(sim.Signal(SIGTERM), 0);
  const QByteArray err = sim.process.readAllStandardError();
  QVERIFY2(err.contains("cannot be used") && err.contains(".bad"), err.constData());
  QVERIFY(earlier.open(QIODevice::ReadOnly));
  QCOMPARE(earlier.readAll(), QByteArray("earlier"));
  QFile kept(state + ".bad.1");
  QVERIFY(kept.open(QIODevice::ReadOnly));
  QCOMPARE(kept.readAll(), content);
  SimProcess again;
  QVERIFY(again.Start({"--state", state}));
  SimLine line2(again.device);
  QCOMPARE(line2.Ask(Cmd::ReadItem(0), "G"), Frame::Reply(Cmd::ReadItem(0), "2222"));
}

void TestSimProgram::stateFileRefused_data() {
  QTest::addColumn<QString>("kind");
  QTest::addColumn<QString>("reason");
  QTest::newRow("directory") << "directory" << "a directory";
  QTest::newRow("named pipe, nobody writing") << "pipe" << "a named pipe";
  QTest::newRow("link to a device") << "device" << "a character device";
  QTest::newRow("one byte over the size of a state file") << "large" << "bytes";
  QTest::newRow("gigabytes") << "huge" << "bytes";
}

// Anything but a small regular file is refused before it is read, and left exactly where it
// was: the program ends at once with the reason, and serves nothing.
void TestSimProgram::stateFileRefused() {
  QFETCH(QString, kind);
  QFETCH(QString, reason);
  QTemporaryDir dir;
  const QString state = dir.filePath("controller.json");
  if (kind == "directory") {
    QVERIFY(QDir().mkdir(state));
  } else if (kind == "pipe") {
    QCOMPARE(mkfifo(QFile::encodeName(state).constData(), 0600), 0);
  } else if (kind == "device") {
    // Through a link of our own: a simulator that got this wrong moves only the link.
    QVERIFY(QFile::link("/dev/null", state));
  } else {
    QFile file(state);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(kind == "large" ? MaxStateFileSize + 1 : qint64(3) << 30));  // sparse
  }
  const struct stat before = Lstat(state);
  QByteArray out, err;
  QCOMPARE(RunToEnd({"--state", state}, &out, &err), 1);
  QCOMPARE(out, QByteArray());
  QVERIFY2(err.contains(QFile::encodeName(state)) && err.contains(reason.toLatin1()) && err.contains("left as it is"),
           err.constData());
  const struct stat after = Lstat(state);
  QCOMPARE(after.st_ino, before.st_ino);
  QCOMPARE(after.st_mode, before.st_mode);
  QCOMPARE(after.st_size, before.st_size);
  QVERIFY(!LinkExists(state + ".bad"));
}

void TestSimProgram::badCommandLine_data() {
  QTest::addColumn<QStringList>("args");
  QTest::newRow("unknown option") << QStringList{"--bogus"};
  QTest::newRow("bad fault") << QStringList{"--fault", "nonsense"};
  QTest::newRow("bad fault value") << QStringList{"--fault", "drop=999"};
  QTest::newRow("fault without fault") << QStringList{"--fault"};
  QTest::newRow("baud not a number") << QStringList{"--baud", "fast"};
  QTest::newRow("negative baud") << QStringList{"--baud", "-1200"};
  QTest::newRow("password with a letter") << QStringList{"--password", "12a4"};
  QTest::newRow("firmware version of two characters") << QStringList{"--firmware", "10"};
  QTest::newRow("link without path") << QStringList{"--link"};
  QTest::newRow("stray argument") << QStringList{"/dev/ttyS0"};
}

void TestSimProgram::badCommandLine() {
  QFETCH(QStringList, args);
  QByteArray out, err;
  QCOMPARE(RunToEnd(args, &out, &err), 2);
  QCOMPARE(out, QByteArray());
  QVERIFY2(err.startsWith("velt-sim: ") && err.contains("--help"), err.constData());
}

void TestSimProgram::answers_data() {
  QTest::addColumn<QStringList>("args");
  QTest::addColumn<QStringList>("texts");  // each in the output
  const QStringList help{"--link PATH", "--state FILE", "--fault FAULT", "--baud N", "--unpaced", "--firmware CHAR", "--version",
                         "no-ack=BLOCK[xN]", "hangup-after=N", "alter=CMD[xN]", "SIGHUP"};
  const QStringList version{"velt-sim " + VeltVersion() + "\n", "GPL-3.0-or-later"};
  QTest::newRow("help") << QStringList{"--help"} << help;
  QTest::newRow("version") << QStringList{"--version"} << version;
  QTest::newRow("version after other options") << QStringList{"--baud", "1200", "--version"} << version;
}

// Both answer and end without serving a device.
void TestSimProgram::answers() {
  QFETCH(QStringList, args);
  QFETCH(QStringList, texts);
  QByteArray out, err;
  QCOMPARE(RunToEnd(args, &out, &err), 0);
  QVERIFY2(!out.startsWith("/dev/"), out.constData());
  for (const QString& text : texts) QVERIFY2(out.contains(text.toUtf8()), qPrintable(text));
}

// A simulator that does not end on SIGTERM (stopped here) is killed, not left running.
void TestSimProgram::unresponsiveProgramIsKilled() {
  SimProcess sim;
  QVERIFY(sim.Start({}));
  const pid_t pid = pid_t(sim.process.processId());
  QCOMPARE(::kill(pid, SIGSTOP), 0);
  QElapsedTimer timer;
  timer.start();
  QVERIFY(Finish(sim.process, 300));
  QVERIFY2(timer.elapsed() < 5000, qPrintable(QString::number(timer.elapsed())));
  QCOMPARE(sim.process.exitStatus(), QProcess::CrashExit);
  errno = 0;
  QCOMPARE(::kill(pid, 0), -1);
  QCOMPARE(errno, ESRCH);
}

// Started as the README starts it, the simulator is paced like the controller's line, so that a
// firmware update, which takes no acknowledgement before its block could have arrived, succeeds.
void TestSimProgram::firmwareAtTheProgramsPace() {
#ifndef VELT_CLI_PATH
  QSKIP("velt-cli is not built");
#else
  QTemporaryDir dir;
  const QString link = dir.filePath("velt");
  SimProcess sim;
  QVERIFY(sim.Start({"--link", link}, true, true));
  QFile image(dir.filePath("f.gfr"));
  QByteArray bytes = "gfr" + QByteArray(FirmwareImage::BlockSize, '\x5A');
  bytes.append(char(XorChecksum(bytes)));
  QVERIFY(image.open(QIODevice::WriteOnly) && image.write(bytes) == bytes.size());
  image.close();
  QProcess cli;
  cli.start(QStringLiteral(VELT_CLI_PATH), {"-p", link, "firmware", image.fileName()});
  QVERIFY(cli.waitForFinished(60000));
  QVERIFY2(cli.exitStatus() == QProcess::NormalExit && cli.exitCode() == 0, cli.readAllStandardError().constData());
#endif
}

// A link named in bytes that are not UTF-8 is made and told in exactly those bytes.
void TestSimProgram::linkInOtherBytes() {
  QTemporaryDir dir;
  const QByteArray link = QFile::encodeName(dir.path()) + "/bad\xffport";
  QProcess sim;  // QProcess's arguments are text: the bytes go through the shell
  sim.start("sh", {"-c", R"sh(exec "$0" --unpaced --link "$(printf "$1")")sh", VELT_SIM_PATH, dir.path() + "/bad\\377port"});
  while (!sim.canReadLine() && sim.waitForReadyRead(5000)) {
  }
  const QList<QByteArray> first = sim.readLine().trimmed().split(' ');
  QCOMPARE(first.value(1), link);
  char target[256] = {};
  QVERIFY(::readlink(link.constData(), target, sizeof target - 1) > 0);
  QCOMPARE(QByteArray(target), first.value(0));
  SimLine line(QString::fromLocal8Bit(first.value(0)));
  QCOMPARE(line.Ask(Cmd::Login, "7315"), Hex("67 01 02 54 38 F6"));
  QVERIFY(Finish(sim, 5000));
  struct stat st {};
  QCOMPARE(::lstat(link.constData(), &st), -1);  // removed again, by its own name
}

QTEST_GUILESS_MAIN(TestSimProgram)
#include "tst_sim_program.moc"
