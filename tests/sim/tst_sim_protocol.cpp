// The simulated controller's side of the protocol: frames, items, login, password, status,
// counters and the bootloader.
#include <QtTest>

#include "commands.h"
#include "frame.h"
#include "sim_line.h"
#include "sim_script.h"
#include "simulator.h"

#define START_SIM(sim)                                 \
  do {                                                 \
    QString startError;                                \
    QVERIFY2((sim).Start(&startError), qPrintable(startError)); \
  } while (0)

#define OPEN_LINE(line)                                \
  QVERIFY2((line).IsOpen(), qPrintable((line).Error()))

class TestSimProtocol : public QObject {
  Q_OBJECT

 private slots:
  void exampleExchanges_data();
  void exampleExchanges();
  void login_data();
  void login();
  void newControllerValues_data();
  void newControllerValues();
  void writeThenRead_data();
  void writeThenRead();
  void passwordChange();
  void statusAfterStart();
  void statusMovesLikeAController();
  void counterReset();
  void bootloaderAcknowledgesBlocksAndEnds();
  void bootloaderGivesUpWithoutBlocks();
  void wholeFirmwareImageIsReceived();
  void framing_data();
  void framing();
  void reopenedLineIsServed();
  void requestLogHasTimes();
  void requestLogKeepsTheMostRecent_data();
  void requestLogKeepsTheMostRecent();
};

void TestSimProtocol::exampleExchanges_data() {
  QTest::addColumn<QStringList>("steps");
  QTest::newRow("status request, status reply")
      << QStringList{"47 50 01 47 DF > 67 50 06 05 80 13 0F 02 01 67"};
  QTest::newRow("logout") << QStringList{"47 02 01 57 A1 > 67 02 01 57 C1"};
  QTest::newRow("read item 0 gets the PIN") << QStringList{"47 04 01 47 93 > 67 04 04 37 33 31 35 3F"};
  QTest::newRow("write item 25 with 5, read it back")
      << QStringList{"47 37 01 05 84 > reply", "47 36 01 47 C5 > 67 36 01 05 A3"};
  QTest::newRow("write item 22 with IN1 SMS to telephone 1")
      << QStringList{"47 31 05 80 00 00 00 00 FD > reply", "47 30 01 47 BF > 67 30 05 80 00 00 00 00 1C"};
  QTest::newRow("write item 28 with OK")
      << QStringList{"47 3D 02 4F 4B 20 > reply", "47 3C 01 47 CB > 67 3C 02 4F 4B 3F"};
  QByteArray block0 = Hex("47 65 41 00");
  for (int i = 0; i < 64; ++i) block0.append(char(i));
  block0.append(char(0xCD));
  const QByteArray block1 = Hex("47 65 41 01 AA") + QByteArray(63, char(0xFF)) + Hex("59");
  QTest::newRow("firmware update")
      << QStringList{"47 64 01 42 EE > none", block0.toHex() + " > ack", block1.toHex() + " > ack",
                     "47 66 01 4B F9 > none", "47 50 01 47 DF > 67 50 06 05 80 13 0F 02 01 67"};
  QTest::newRow("counter reset") << QStringList{"47 51 01 47 E0 > reply"};
}

void TestSimProtocol::exampleExchanges() {
  QFETCH(QStringList, steps);
  Simulator sim;
  START_SIM(sim);
  sim.SetFixedStatus(Hex("05 80 13 0F 02 01"));
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  const QString problem = RunScript(sim, line, steps);
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestSimProtocol::login_data() {
  QTest::addColumn<QByteArray>("password");
  QTest::addColumn<char>("version");
  QTest::addColumn<QByteArray>("sent");
  QTest::addColumn<QByteArray>("reply");
  QTest::newRow("default password") << QByteArray("7315") << '8' << QByteArray("7315") << QByteArray("T8");
  QTest::newRow("wrong password") << QByteArray("7315") << '8' << QByteArray("7316") << QByteArray("N8");
  QTest::newRow("prefix of the password") << QByteArray("7315") << '8' << QByteArray("731") << QByteArray("N8");
  QTest::newRow("empty") << QByteArray("7315") << '8' << QByteArray() << QByteArray("N8");
  QTest::newRow("own password and version") << QByteArray("0042") << '6' << QByteArray("0042") << QByteArray("T6");
  QTest::newRow("old password after setting another") << QByteArray("0042") << '6' << QByteArray("7315")
                                                       << QByteArray("N6");
}

void TestSimProtocol::login() {
  QFETCH(QByteArray, password);
  QFETCH(char, version);
  QFETCH(QByteArray, sent);
  QFETCH(QByteArray, reply);
  SimOptions options;
  options.password = password;
  options.version = version;
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  QCOMPARE(line.Ask(Cmd::Login, sent), Frame::Reply(Cmd::Login, reply));
}

void TestSimProtocol::newControllerValues_data() {
  QTest::addColumn<int>("item");
  QTest::addColumn<QByteArray>("value");
  QTest::newRow("PIN") << 0 << QByteArray("7315");
  QTest::newRow("SMS centre, ORANGE, one NUL") << 1 << QByteArray("+48501200777", 13);
  for (int k = 2; k <= 21; ++k) QTest::addRow("text item %d empty", k) << k << QByteArray();
  QTest::newRow("matrix") << 22 << QByteArray(5, '\0');
  QTest::newRow("output flags") << 23 << QByteArray(1, '\0');
  QTest::newRow("output times") << 24 << Hex("05 05 05");
  QTest::newRow("SMS limit") << 25 << QByteArray(1, '\0');
  QTest::newRow("voice limit") << 26 << QByteArray(1, '\0');
  QTest::newRow("option flags") << 27 << QByteArray(1, '\0');
  QTest::newRow("confirmation text") << 28 << QByteArray("OK");
}

void TestSimProtocol::newControllerValues() {
  QFETCH(int, item);
  QFETCH(QByteArray, value);
  Simulator sim;
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  QCOMPARE(line.Ask(Cmd::ReadItem(item), "G"), Frame::Reply(Cmd::ReadItem(item), value));
}

void TestSimProtocol::writeThenRead_data() {
  QTest::addColumn<int>("item");
  QTest::addColumn<QByteArray>("written");
  QTest::addColumn<QByteArray>("read");
  const QByteArray polish = Hex("5A 61 B3 B9 63 7A 6F 6E 65");  // "Załączone" in Windows-1250
  const QList<QByteArray> texts = {"1234", "+48601123456", "+48601000001", "+48601000002", "+48601000003",
                                   "600700800"};
  for (int k = 0; k < texts.size(); ++k) {
    const QByteArray read = k == 1 ? texts[k] + QByteArray(1, '\0') : texts[k];
    QTest::addRow("item %d", k) << k << texts[k] << read;
  }
  for (int k = 6; k <= 15; ++k)
    QTest::addRow("item %d", k) << k << polish + QByteArray::number(k) << polish + QByteArray::number(k);
  for (int k = 16; k <= 21; ++k) QTest::addRow("item %d", k) << k << QByteArray("ON") + char('A' + k - 16)
                                                             << QByteArray("ON") + char('A' + k - 16);
  QTest::newRow("item 22") << 22 << Hex("80 01 08 00 FF") << Hex("80 01 08 00 FF");
  QTest::newRow("item 23") << 23 << Hex("3F") << Hex("3F");
  QTest::newRow("item 24") << 24 << Hex("05 0A 63") << Hex("05 0A 63");
  QTest::newRow("item 25") << 25 << Hex("63") << Hex("63");
  QTest::newRow("item 26") << 26 << Hex("07") << Hex("07");
  QTest::newRow("item 27") << 27 << Hex("0F") << Hex("0F");
  QTest::newRow("item 28") << 28 << QByteArray("Zrobione") << QByteArray("Zrobione");
  QTest::newRow("SMS centre emptied keeps its NUL") << 1 << QByteArray() << QByteArray(1, '\0');
  QTest::newRow("telephone emptied") << 2 << QByteArray() << QByteArray();
  // The most the window sends for each text item is kept whole, every byte value included.
  auto full = [](int size) {
    QByteArray text(size, '\0');
    for (int i = 0; i < size; ++i) text[i] = char(0xA0 + i);
    return text;
  };
  const QList<std::pair<int, int>> rooms = {{0, 4}, {1, 13}, {2, 13}, {5, 13}, {6, 30}, {11, 30}, {15, 30},
                                             {16, 4}, {21, 4}, {28, 15}};
  for (const auto& [k, size] : rooms)
    QTest::addRow("item %d full, %d bytes", k, size) << k << full(size) << full(size) + QByteArray(k == 1 ? 1 : 0, '\0');
  QTest::newRow("longer text cut to the controller's room") << 0 << QByteArray("123456") << QByteArray("1234");
  QTest::newRow("short fixed value padded with zeros") << 24 << Hex("07") << Hex("07 00 00");
}

void TestSimProtocol::writeThenRead() {
  QFETCH(int, item);
  QFETCH(QByteArray, written);
  QFETCH(QByteArray, read);
  Simulator sim;
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  const QByteArray ack = line.Ask(Cmd::WriteItem(item), written);
  QCOMPARE(ack.left(2), QByteArray("g") + char(Cmd::WriteItem(item)));
  QCOMPARE(line.Ask(Cmd::ReadItem(item), "G"), Frame::Reply(Cmd::ReadItem(item), read));
  QCOMPARE(sim.State().items[item] + (item == 1 ? QByteArray(1, '\0') : QByteArray()), read);
}

void TestSimProtocol::passwordChange() {
  Simulator sim;
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  const QString problem = RunScript(sim, line, {"login > 67 01 02 54 38 F6", "47 03 04 34 32 34 32 1A > reply",
                                                "login:7315 > rejected", "login:4242 > reply"});
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  QCOMPARE(sim.State().password, QByteArray("4242"));
  QCOMPARE(line.Ask(Cmd::Login, "4242"), Frame::Reply(Cmd::Login, "T8"));
}

void TestSimProtocol::statusAfterStart() {
  SimOptions options;
  options.stageStepMs = 60000;
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  const QByteArray reply = line.Ask(Cmd::Status, "G");
  QCOMPARE(reply.size(), 10);
  QCOMPARE(reply.mid(5, 2), Hex("00 63"));  // first stage, no signal level yet
}

// Stages climb to 19 and stay; the level is 99 until the modem reads it, then 10..25; inputs
// change and the SMS counter grows now and then once the modem is registered.
void TestSimProtocol::statusMovesLikeAController() {
  SimOptions options;
  options.stageStepMs = 2;
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  int lastStage = -1;
  int lastSms = 0;
  int registeredPolls = 0;
  QSet<int> stages, inputs;
  bool smsGrew = false;
  for (int poll = 0; poll < 5000 && registeredPolls < 150; ++poll) {
    const QByteArray reply = line.Ask(Cmd::Status, "G");
    QCOMPARE(reply.size(), 10);
    const int stage = quint8(reply[5]);
    const int level = quint8(reply[6]);
    const int sms = quint8(reply[7]);
    QVERIFY2(stage >= lastStage && stage <= 19, qPrintable(reply.toHex(' ')));
    QVERIFY2(stage < 17 ? level == 99 : (level >= 10 && level <= 25), qPrintable(reply.toHex(' ')));
    QVERIFY2(sms >= lastSms && (stage == 19 || sms == 0), qPrintable(reply.toHex(' ')));
    QCOMPARE(quint8(reply[3]) & 0xE0, 0);  // outputs at rest
    smsGrew = smsGrew || sms > lastSms;
    lastSms = sms;
    lastStage = stage;
    stages.insert(stage);
    inputs.insert(quint8(reply[3]));
    if (stage == 19) ++registeredPolls;
  }
  QCOMPARE(lastStage, 19);
  QVERIFY(stages.size() >= 3);
  QVERIFY(inputs.size() > 1);
  QVERIFY(smsGrew);
  QCOMPARE(sim.State().smsToday, quint8(lastSms));
}

void TestSimProtocol::counterReset() {
  Simulator sim;
  START_SIM(sim);
  ControllerState state = sim.State();
  state.smsToday = 7;
  state.voiceToday = 3;
  sim.SetState(state);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  QCOMPARE(line.Ask(Cmd::Status, "G").mid(7, 2), Hex("07 03"));
  QVERIFY(!line.Ask(Cmd::ResetCounters, "G").isEmpty());
  QCOMPARE(sim.State().smsToday, quint8(0));
  QCOMPARE(sim.State().voiceToday, quint8(0));
}

// Other requests are ignored in the bootloader; each block renews its quiet time, so a transfer
// longer than that time goes through.
void TestSimProtocol::bootloaderAcknowledgesBlocksAndEnds() {
  SimOptions options;
  options.stageStepMs = 1000;
  options.bootloaderQuietMs = 600;
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  QStringList steps{"login > reply", "restart > none", "block0 > ack", "status > none", "block1 > ack",
                    "login > none", "block2 > ack", "read0 > none"};
  for (int block = 3; block < 16; ++block) steps << QStringLiteral("block%1 > ack").arg(block);
  steps << "block15 > ack"  // a resent block is acknowledged again
        << "end > none" << "login > reply";
  QElapsedTimer transfer;
  transfer.start();
  const QString problem = RunScript(sim, line, steps);
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  QVERIFY(transfer.elapsed() > options.bootloaderQuietMs);
  QVERIFY(!sim.InBootloader());
  const QByteArray status = line.Ask(Cmd::Status, "G");
  QVERIFY2(quint8(status[5]) < 19, "the modem starts again after the update");
}

void TestSimProtocol::bootloaderGivesUpWithoutBlocks() {
  SimOptions options;
  options.bootloaderQuietMs = 1000;
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  const QString problem = RunScript(sim, line, {"restart > none", "status > none"});
  QVERIFY2(problem.isEmpty(), qPrintable(problem));
  QVERIFY(sim.InBootloader());
  QTRY_VERIFY_WITH_TIMEOUT(!sim.InBootloader(), 3000);
  QCOMPARE(line.Ask(Cmd::Login, "7315"), Frame::Reply(Cmd::Login, "T8"));
}

// 128 blocks of 64 bytes: the largest image, the last block padded. A block sent again is kept
// once, and a new restart starts a new image.
void TestSimProtocol::wholeFirmwareImageIsReceived() {
  Simulator sim;
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  QByteArray image(8188, '\0');
  for (int i = 0; i < image.size(); ++i) image[i] = char((i * 7 + i / 256) & 0xFF);
  const QByteArray sent = image + QByteArray(4, char(0xFF));
  auto block = [&sent](int n) { return Frame::Request(Cmd::FirmwareBlock, char(n) + sent.mid(n * 64, 64)); };

  QVERIFY(line.Send(Cmd::Restart, "B"));
  QVERIFY(sim.WaitForRequests(1, 2000));
  for (int n = 0; n < 128; ++n) {
    QVERIFY(line.Write(block(n)));
    QCOMPARE(line.ReadBytes(1), QByteArray("!"));
    if (n == 64) {
      QVERIFY(line.Write(block(n)));
      QCOMPARE(line.ReadBytes(1), QByteArray("!"));
    }
  }
  QVERIFY(line.Send(Cmd::FirmwareEnd, "K"));
  QTRY_VERIFY_WITH_TIMEOUT(!sim.InBootloader(), 2000);
  QCOMPARE(sim.ReceivedFirmware().size(), sent.size());
  QVERIFY(sim.ReceivedFirmware() == sent);

  QVERIFY(line.Send(Cmd::Restart, "B"));
  QTRY_VERIFY_WITH_TIMEOUT(sim.InBootloader(), 2000);
  QCOMPARE(sim.ReceivedFirmware(), QByteArray());
}

void TestSimProtocol::framing_data() {
  QTest::addColumn<QByteArray>("sent");
  QTest::addColumn<int>("requests");
  const QByteArray login = Frame::Request(Cmd::Login, "7315");
  QByteArray bad = login;
  bad.back() = char(bad.back() + 1);
  QTest::newRow("bytes before the start skipped") << Hex("00 FF 13 67") + login << 1;
  QTest::newRow("bad checksum ignored") << bad + login << 1;
  QTest::newRow("stray start byte in front") << QByteArray("G") + login << 1;
  QTest::newRow("frame cut off, long length") << Hex("47 50 FF 01 02") + login << 1;
  QTest::newRow("two requests in one write") << login + login << 2;
}

// Every case ends with one good login per expected request, each answered exactly once.
void TestSimProtocol::framing() {
  QFETCH(QByteArray, sent);
  QFETCH(int, requests);
  Simulator sim;
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  QVERIFY(line.Write(sent));
  for (int i = 0; i < requests; ++i) QCOMPARE(line.ReadFrame(3000), Frame::Reply(Cmd::Login, "T8"));
  QCOMPARE(line.ReadFor(100), QByteArray());
  QCOMPARE(sim.Requests().size(), requests);
}

void TestSimProtocol::reopenedLineIsServed() {
  Simulator sim;
  START_SIM(sim);
  for (int round = 0; round < 3; ++round) {
    SimLine line(sim.DevicePath());
    OPEN_LINE(line);
    QCOMPARE(line.Ask(Cmd::Login, "7315"), Frame::Reply(Cmd::Login, "T8"));
  }
}

void TestSimProtocol::requestLogHasTimes() {
  Simulator sim;
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  QVERIFY(!sim.WaitForRequests(1, 50));
  const qint64 before = Simulator::NowMs();
  QVERIFY(line.Send(Cmd::Status, "G"));
  QVERIFY(line.Send(Cmd::ReadItem(3), "G"));
  QVERIFY(sim.WaitForRequests(2, 2000));
  const qint64 after = Simulator::NowMs();
  const QList<LoggedRequest> log = sim.Requests();
  QCOMPARE(log.size(), 2);
  QCOMPARE(log[0].command, Cmd::Status);
  QCOMPARE(log[0].payload, QByteArray("G"));
  QCOMPARE(log[1].command, Cmd::ReadItem(3));
  QVERIFY(before <= log[0].ms && log[0].ms <= log[1].ms && log[1].ms <= after);
  sim.ClearRequests();
  QVERIFY(sim.Requests().isEmpty());
  QCOMPARE(sim.RequestCount(), 0);
}

void TestSimProtocol::requestLogKeepsTheMostRecent_data() {
  QTest::addColumn<int>("limit");
  QTest::addColumn<int>("kept");
  QTest::newRow("room for 3 of 5") << 3 << 3;
  QTest::newRow("room for all") << 10 << 5;
  QTest::newRow("no log") << 0 << 0;
}

// The log is bounded; the count of arrivals that waits go by is not.
void TestSimProtocol::requestLogKeepsTheMostRecent() {
  QFETCH(int, limit);
  QFETCH(int, kept);
  SimOptions options;
  options.requestLogLimit = limit;
  Simulator sim(options);
  START_SIM(sim);
  SimLine line(sim.DevicePath());
  OPEN_LINE(line);
  for (int k = 0; k < 5; ++k) {
    QVERIFY(line.Send(Cmd::ReadItem(k), "G"));
    QVERIFY(sim.WaitForRequests(k + 1, 2000));
    QVERIFY(!line.ReadFrame().isEmpty());
  }
  QVERIFY(!sim.WaitForRequests(6, 50));
  QCOMPARE(sim.RequestCount(), 5);
  const QList<LoggedRequest> log = sim.Requests();
  QCOMPARE(log.size(), kept);
  for (int i = 0; i < kept; ++i) QCOMPARE(log[i].command, Cmd::ReadItem(5 - kept + i));
}

QTEST_GUILESS_MAIN(TestSimProtocol)
#include "tst_sim_protocol.moc"
