// Faults of the simulated controller, one table case each, through FAULT strings.
#include <QElapsedTimer>
#include <QtTest>

#include "commands.h"
#include "frame.h"
#include "sim_line.h"
#include "sim_script.h"
#include "simulator.h"

#define START_SIM(sim)                                          \
  do {                                                          \
    QString startError;                                         \
    QVERIFY2((sim).Start(&startError), qPrintable(startError)); \
  } while (0)

#define OPEN_LINE(line) QVERIFY2((line).IsOpen(), qPrintable((line).Error()))

class TestSimFaults : public QObject {
  Q_OBJECT

 private slots:
  void faults_data();
  void faults();
  void split();
  void slow_data();
  void slow();
  void hangup();
  void alter_data();
  void alter();
  void acknowledgements_data();
  void acknowledgements();
  void faultsChangeAtRunTime();
  void badFaultTexts_data();
  void badFaultTexts();
};

void TestSimFaults::faults_data() {
  QTest::addColumn<QStringList>("faultTexts");
  QTest::addColumn<QStringList>("steps");
  QTest::newRow("silent") << QStringList{"silent"} << QStringList{"login > none", "status > none"};
  QTest::newRow("silent also to blocks") << QStringList{"silent"}
                                         << QStringList{"restart > none", "block0 > none"};
  QTest::newRow("silent after 2") << QStringList{"silent-after=2"}
                                  << QStringList{"login > reply", "status > reply", "status > none", "read0 > none"};
  QTest::newRow("silent after counts acknowledgements")
      << QStringList{"silent-after=2"} << QStringList{"restart > none", "block0 > ack", "block1 > ack", "block2 > none"};
  QTest::newRow("drop status") << QStringList{"drop=80"}
                               << QStringList{"status > none", "status > none", "login > reply"};
  QTest::newRow("drop the first two reads of item 6")
      << QStringList{"drop=16x2"} << QStringList{"read6 > none", "read6 > none", "read6 > reply"};
  QTest::newRow("drop in hexadecimal") << QStringList{"drop=0x50x1"} << QStringList{"status > none", "status > reply"};
  QTest::newRow("drop block acknowledgements") << QStringList{"drop=101x1"}
                                               << QStringList{"restart > none", "block0 > none", "block0 > ack"};
  QTest::newRow("corrupt first read of item 0")
      << QStringList{"corrupt=4x1"} << QStringList{"read0 > corrupt", "read0 > 67 04 04 37 33 31 35 3F"};
  QTest::newRow("corrupt every status") << QStringList{"corrupt=80"}
                                        << QStringList{"status > corrupt", "status > corrupt", "login > reply"};
  QTest::newRow("every read of the output times a byte short")
      << QStringList{"short=52"} << QStringList{"read24 > 67 34 02 05 05 A7", "read24 > 67 34 02 05 05 A7"};
  QTest::newRow("first read of the PIN a byte short")
      << QStringList{"short=4x1"} << QStringList{"read0 > 67 04 03 37 33 31 09", "read0 > 67 04 04 37 33 31 35 3F"};
  QTest::newRow("noise") << QStringList{"noise=3"} << QStringList{"read0 > noise:3", "status > noise:3"};
  QTest::newRow("noise never before an acknowledgement")
      << QStringList{"noise=3"} << QStringList{"restart > none", "block0 > ack"};
  QTest::newRow("wrong password") << QStringList{"wrong-password"}
                                  << QStringList{"login > 67 01 02 4E 38 F0", "login:1234 > rejected", "read0 > reply"};
  QTest::newRow("no ack for block 1") << QStringList{"no-ack=1"}
                                      << QStringList{"restart > none", "block0 > ack", "block1 > none", "block1 > none",
                                                     "block2 > ack"};
  QTest::newRow("no ack for block 1 the first time")
      << QStringList{"no-ack=1x1"} << QStringList{"restart > none", "block0 > ack", "block1 > none", "block1 > ack"};
  QTest::newRow("combined: drop once, then noise")
      << QStringList{"drop=80x1", "noise=2"} << QStringList{"status > none", "status > noise:2"};
  QTest::newRow("combined: two drop rules") << QStringList{"drop=80x1", "drop=4x1"}
                                            << QStringList{"read0 > none", "status > none", "status > reply", "read0 > reply"};
  QTest::newRow("dropped replies do not count for silent-after")
      << QStringList{"drop=80x1", "silent-after=1"} << QStringList{"status > none", "login > reply", "login > none"};
}

void TestSimFaults::faults() {
  QFETCH(QStringList, faultTexts);
  QFETCH(QStringList, steps);
  SimOptions options;
  options.faults = faultTexts;
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  const QString problem = RunScript(sim, line, steps);
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

// Each byte comes alone, the gaps adding up to the whole frame's time.
void TestSimFaults::split() {
  SimOptions options;
  options.faults = {"split=25"};
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  QVERIFY(line.Send(Cmd::ReadItem(0), "G"));
  QCOMPARE(line.ReadBytes(1), QByteArray("g"));
  QElapsedTimer timer;
  timer.start();
  QCOMPARE(line.ReadFor(5), QByteArray());  // the next byte is still on its way
  const QByteArray rest = line.ReadBytes(7);
  QVERIFY2(timer.elapsed() >= 7 * 25 - 10, qPrintable(QString::number(timer.elapsed())));
  QCOMPARE(QByteArray("g") + rest, Hex("67 04 04 37 33 31 35 3F"));
}

void TestSimFaults::slow_data() {
  QTest::addColumn<QString>("fault");
  QTest::addColumn<bool>("statusSlow");
  QTest::addColumn<bool>("loginSlow");
  QTest::newRow("status only") << "slow=80:600" << true << false;
  QTest::newRow("everything") << "slow=600" << true << true;
  QTest::newRow("another command") << "slow=4:600" << false << false;
}

void TestSimFaults::slow() {
  QFETCH(QString, fault);
  QFETCH(bool, statusSlow);
  QFETCH(bool, loginSlow);
  SimOptions options;
  options.faults = {fault};
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  for (const auto& [command, payload, slow] : {std::tuple{Cmd::Status, QByteArray("G"), statusSlow},
                                               std::tuple{Cmd::Login, QByteArray("7315"), loginSlow}}) {
    QElapsedTimer timer;
    timer.start();
    QVERIFY(line.Send(command, payload));
    // A prompt reply comes well inside the delay, a slow one not before it.
    const QByteArray early = line.ReadFrame(300);
    QCOMPARE(early.isEmpty(), slow);
    if (slow) {
      const QByteArray late = line.ReadFrame(2000);
      QVERIFY(late.size() > 1);
      QCOMPARE(quint8(late[1]), command);
      QVERIFY2(timer.elapsed() >= 590, qPrintable(QString::number(timer.elapsed())));
    }
  }
}

void TestSimFaults::hangup() {
  SimOptions options;
  options.faults = {"hangup-after=2"};
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  const QString problem = RunScript(sim, line, {"login > reply", "status > reply"});
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  QVERIFY(line.HungUp(2000));
  QTRY_VERIFY(!sim.Serving());
}

void TestSimFaults::alter_data() {
  QTest::addColumn<QString>("fault");
  QTest::addColumn<int>("item");
  QTest::addColumn<QByteArray>("written");
  QTest::addColumn<QByteArray>("stored");
  QTest::newRow("telephone") << "alter=11" << 3 << QByteArray("+48601000001") << QByteArray("+48601000002");
  QTest::newRow("last byte wraps") << "alter=0x11" << 6 << Hex("41 42 FF") << Hex("41 42 00");
  QTest::newRow("empty gets one byte") << "alter=9" << 2 << QByteArray() << QByteArray("#");
  QTest::newRow("full text stays in its room") << "alter=17" << 6 << QByteArray(30, 'x')
                                               << QByteArray(29, 'x') + 'y';
  QTest::newRow("cut to the room, then altered") << "alter=5" << 0 << QByteArray("123456") << QByteArray("1235");
  QTest::newRow("fixed size") << "alter=53" << 24 << Hex("07") << Hex("07 00 01");
  QTest::newRow("only the first write with x1") << "alter=61x1" << 28 << QByteArray("OK") << QByteArray("OL");
}

// The write is answered as usual, yet reading back shows another value; a later write of the
// same item is stored faithfully once the fault's count is used up, and other items never change.
void TestSimFaults::alter() {
  QFETCH(QString, fault);
  QFETCH(int, item);
  QFETCH(QByteArray, written);
  QFETCH(QByteArray, stored);
  SimOptions options;
  options.faults = {fault};
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  const quint8 write = Cmd::WriteItem(item);
  QCOMPARE(line.Ask(write, written), Frame::Reply(write, "K"));
  const QByteArray nul(item == 1 ? 1 : 0, '\0');
  QCOMPARE(line.Ask(Cmd::ReadItem(item), "G"), Frame::Reply(Cmd::ReadItem(item), stored + nul));
  QCOMPARE(sim.State().items[item], stored);

  const int other = item == 0 ? 2 : 0;
  QCOMPARE(line.Ask(Cmd::WriteItem(other), "99"), Frame::Reply(Cmd::WriteItem(other), "K"));
  QCOMPARE(sim.State().items[other], QByteArray("99"));

  QCOMPARE(line.Ask(write, "55"), Frame::Reply(write, "K"));
  const bool once = fault.endsWith("x1");
  QCOMPARE(sim.State().items[item] == StoredItemValue(item, "55"), once);
}

void TestSimFaults::acknowledgements_data() {
  QTest::addColumn<QStringList>("faultTexts");
  // "REQUEST > HEX@MS": exactly these bytes come back, MS milliseconds after the request (a
  // wide margin after it, none before); "REQUEST > none": nothing comes back.
  QTest::addColumn<QStringList>("steps");
  QTest::newRow("late ack of every arrival")
      << QStringList{"late-ack=1:400"}
      << QStringList{"restart > none", "block0 > 21@0", "block1 > 21@400", "block1 > 21@400", "block2 > 21@0"};
  QTest::newRow("late ack of the first arrival, in hexadecimal")
      << QStringList{"late-ack=0x1:400x1"} << QStringList{"restart > none", "block1 > 21@400", "block1 > 21@0"};
  QTest::newRow("late ack after a missing one")
      << QStringList{"no-ack=0x0x1", "late-ack=0:300"} << QStringList{"restart > none", "block0 > none", "block0 > 21@300"};
  QTest::newRow("late ack adds to a slow line")
      << QStringList{"slow=101:200", "late-ack=0:300x1"} << QStringList{"restart > none", "block0 > 21@500", "block0 > 21@200"};
  QTest::newRow("noisy ack of the first arrival")
      << QStringList{"noisy-ack=0x0x1"} << QStringList{"restart > none", "block0 > 21A5@0", "block0 > 21@0"};
  QTest::newRow("0x1 is block 1, not block 0 once")
      << QStringList{"noisy-ack=0x1"} << QStringList{"restart > none", "block0 > 21@0", "block1 > 21A5@0", "block1 > 21A5@0"};
  QTest::newRow("noisy ack of one block only")
      << QStringList{"noisy-ack=2"} << QStringList{"restart > none", "block2 > 21A5@0", "block2 > 21A5@0", "block1 > 21@0"};
  QTest::newRow("stray ack after the restart")
      << QStringList{"stray-ack=300"} << QStringList{"restart > 21@300", "block0 > 21@0", "end > none"};
  QTest::newRow("stray ack at once") << QStringList{"stray-ack=0"} << QStringList{"restart > 21@0", "block0 > 21@0"};
  QTest::newRow("no stray ack inside the bootloader")
      << QStringList{"stray-ack=200"} << QStringList{"restart > 21@200", "restart > none", "block0 > 21@0"};
}

// What comes back, and when, to each firmware request.
void TestSimFaults::acknowledgements() {
  QFETCH(QStringList, faultTexts);
  QFETCH(QStringList, steps);
  SimOptions options;
  options.faults = faultTexts;
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  for (const QString& step : steps) {
    const QString name = step.section('>', 0, 0).trimmed();
    const QString expected = step.section('>', 1).trimmed();
    const QByteArray request = name == "restart" ? Frame::Request(Cmd::Restart, "B")
                               : name == "end"   ? Frame::Request(Cmd::FirmwareEnd, "K")
                                                 : Frame::Request(Cmd::FirmwareBlock,
                                                                  QByteArray(1, char(name.mid(5).toInt())) +
                                                                      QByteArray(64, char(name.mid(5).toInt())));
    const qint64 logged = sim.RequestCount();
    QElapsedTimer timer;
    timer.start();
    QVERIFY2(line.Write(request), qPrintable(step));
    QVERIFY2(sim.WaitForRequests(logged + 1, 2000), qPrintable(step + ": not received"));
    if (expected == "none") {
      const QByteArray got = line.ReadFor(300);
      QVERIFY2(got.isEmpty(), qPrintable(step + ": got " + got.toHex(' ')));
      continue;
    }
    const QByteArray want = QByteArray::fromHex(expected.section('@', 0, 0).toLatin1());
    const int ms = expected.section('@', 1).toInt();
    const QByteArray got = line.ReadBytes(int(want.size()), ms + 2000);
    const qint64 elapsed = timer.elapsed();
    QVERIFY2(got == want, qPrintable(step + ": got " + got.toHex(' ')));
    QVERIFY2(elapsed >= ms - 5 && elapsed <= ms + 250, qPrintable(step + QStringLiteral(": after %1 ms").arg(elapsed)));
    const QByteArray more = line.ReadFor(150);
    QVERIFY2(more.isEmpty(), qPrintable(step + ": then " + more.toHex(' ')));
  }
}

void TestSimFaults::faultsChangeAtRunTime() {
  Simulator sim;
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  QString problem = RunScript(sim, line, {"login > reply"});
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  QVERIFY(sim.SetFaults({"silent"}));
  problem = RunScript(sim, line, {"login > none"});
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  QVERIFY(sim.SetFaults({}));
  problem = RunScript(sim, line, {"login > reply"});
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  QVERIFY(sim.SetFaults({"hangup-after=0"}));  // at once, though nothing arrives
  QVERIFY(line.HungUp(2000));
}

void TestSimFaults::badFaultTexts_data() {
  QTest::addColumn<QString>("fault");
  for (const char* fault : {"bogus", "silent=3", "drop", "drop=", "drop=300", "drop=80x0", "drop=80x", "drop=x2",
                           "corrupt=-1", "noise", "noise=abc", "split=0", "slow=80:", "slow=:5", "slow=80:5:6",
                           "no-ack=1xx2", "hangup-after=", "silent-after=-1", "wrong-password=1", "010x",
                           "alter=4", "alter=80", "alter=63", "alter=3", "alter=11x0", "alter",
                           "short=5", "short=80", "short=62", "short=4x0", "short",
                           "late-ack=1", "late-ack=1:", "late-ack=:5", "late-ack=300:5", "late-ack=1:5x0",
                           "late-ack=1:5:6", "late-ack", "noisy-ack", "noisy-ack=256", "noisy-ack=1x0",
                           "stray-ack", "stray-ack=", "stray-ack=-1", "stray-ack=5x2"})
    QTest::newRow(fault) << QString::fromLatin1(fault);
}

void TestSimFaults::badFaultTexts() {
  QFETCH(QString, fault);
  SimOptions options;
  options.faults = {"noise=1", fault};
  Simulator sim(options);
  QString error;
  QVERIFY(!sim.Start(&error));
  QVERIFY2(error.contains(fault) && error.contains("hangup-after=N"), qPrintable(error));

  Simulator running;
  START_SIM(running);
  QVERIFY(running.SetFaults({"drop=80"}));
  error.clear();
  QVERIFY(!running.SetFaults({fault}, &error));
  QVERIFY(!error.isEmpty());
  // The faults in force stay as they were.
  SimLine line(running.DevicePath());
  OPEN_LINE(line);
  const QString problem = RunScript(running, line, {"status > none"});
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestSimFaults)
#include "tst_sim_faults.moc"
