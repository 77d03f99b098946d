// The bootloader exchange against the simulated controller on a line paced like the real one,
// with acknowledgements late, lost and stray: an update succeeds only when every block got a
// "!" of its own, and whenever each "!" comes within 900 ms of its block's arrival.
#include <QTest>
#include <QTimer>

#include "commands.h"
#include "comport.h"
#include "firmware_update.h"
#include "link.h"
#include "simulator.h"

namespace {
constexpr int Baud = 1200;
constexpr int PauseMs = 300;    // the bootloader's pauses, shortened: not what is tested here
constexpr int ImageSize = 130;  // block 0, a middle block 1, and block 2 padded

class QuietClient final : public LinkClient {
 public:
  void ShowLoggedOut() override {}
  void ShowFirmwareVersion(quint8) override {}
  void ShowStatusReply(const QByteArray&) override {}
  void ApplyConfigReply(quint8, const QByteArray&) override {}
  void ReportNoReply() override {}
};

class CountingReport final : public FirmwareReport {
 public:
  void ShowProgress(int) override {}
  void ReportNoAcknowledgement() override { ++failures; }
  void ReportCompleted() override { ++completions; }
  int failures = 0;
  int completions = 0;
};

QByteArray Image() {
  QByteArray image;
  for (int i = 0; i < ImageSize; ++i) image.append(char((i * 37 + 11) % 251));
  return image;
}

FirmwareImage ImageFile() {
  QByteArray file = "gfr" + Image();
  char check = 0;
  for (char c : file) check ^= c;
  QString why;
  return *FirmwareImage::FromFile(file + check, &why);
}

// A port at 1200 bit/s open to a fresh simulator, and the link over it.
struct Line {
  explicit Line(int simBaud, const QStringList& faults)
      : sim({.baud = simBaud, .faults = faults, .stageStepMs = 0}), link(port, timer, client) {
    QString why;
    started = sim.Start(&why);
    if (!started) qWarning() << why;
    port.SetBaudRate(br1200);
    port.SetPort(sim.DevicePath().toLocal8Bit());
    port.OnRxChar = [this](TCustomComPort* sender, int count) { link.VaCommRxChar(sender, count); };
    // The owner's 100 ms timer runs as in the window.
    timer.setInterval(100);
    QObject::connect(&timer, &QTimer::timeout, [this] { link.CountdownStep(); });
    timer.start();
    if (started) port.OpenPort();
  }
  int Count(quint8 command) const {
    int n = 0;
    for (const LoggedRequest& r : sim.Requests()) n += r.command == command;
    return n;
  }

  Simulator sim;
  TComPort port;
  QTimer timer;
  QuietClient client;
  Link link;
  bool started = false;
};
}  // namespace

class TestFirmwareAcks : public QObject {
  Q_OBJECT

 private slots:
  void acknowledgements_data();
  void acknowledgements();
  void stopDuringPause();
};

void TestFirmwareAcks::acknowledgements_data() {
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<int>("simBaud");  // 0: the simulated line takes every byte at once
  QTest::addColumn<bool>("completes");
  for (int ms : {0, 450, 600, 900}) {
    const QString slow = QStringLiteral("slow=101:%1").arg(ms);
    QTest::addRow("each \"!\" %d ms after its block", ms) << QStringList{slow} << Baud << true;
    QTest::addRow("each \"!\" %d ms after, block 1's first lost", ms) << QStringList{slow, "no-ack=1x1"} << Baud << true;
  }
  QTest::newRow("two lost, 900 ms") << QStringList{"slow=101:900", "no-ack=0x0x1", "no-ack=2x1"} << Baud << true;
  QTest::newRow("three lost") << QStringList{"no-ack=0x0x1", "no-ack=1x1", "no-ack=2x1"} << Baud << false;
  QTest::newRow("block 1 never acknowledged, 450 ms")
      << QStringList{"slow=101:450", "no-ack=1"} << Baud << false;
  QTest::newRow("every \"!\" 1200 ms late: none in its window") << QStringList{"slow=101:1200"} << Baud << false;
  QTest::newRow("unpaced, 1300 ms") << QStringList{"slow=101:1300"} << 0 << true;
  QTest::newRow("unpaced, 1300 ms, block 1 never acknowledged")
      << QStringList{"slow=101:1300", "no-ack=1"} << 0 << false;
  QTest::newRow("a stray \"!\" as block 0 goes out, its own lost")
      << QStringList{QStringLiteral("stray-ack=%1").arg(PauseMs + 100), "no-ack=0x0x1"} << Baud << true;
  QTest::newRow("a stray \"!\" in the pause, block 0 never acknowledged")
      << QStringList{QStringLiteral("stray-ack=%1").arg(PauseMs / 2), "no-ack=0"} << Baud << false;
}

void TestFirmwareAcks::acknowledgements() {
  QFETCH(QStringList, faults);
  QFETCH(int, simBaud);
  QFETCH(bool, completes);
  Line line(simBaud, faults);
  QVERIFY(line.started);
  const FirmwareImage image = ImageFile();
  CountingReport report;
  FirmwareUpdate update(line.link, line.port, image, report, {.bootMs = PauseMs, .endMs = PauseMs});
  const FirmwareUpdate::Outcome outcome = update.Run();

  QCOMPARE(outcome, completes ? FirmwareUpdate::Outcome::Completed : FirmwareUpdate::Outcome::NotAcknowledged);
  QCOMPARE(report.completions, completes ? 1 : 0);
  QCOMPARE(report.failures, completes ? 0 : 1);
  if (!completes) {
    QCOMPARE(line.Count(Cmd::FirmwareEnd), 0);
    return;
  }
  QTRY_COMPARE_WITH_TIMEOUT(line.Count(Cmd::FirmwareEnd), 1, 1000);
  const QList<quint8> acknowledged = line.sim.AcknowledgedBlocks();
  for (int n = 0; n < image.BlockCount(); ++n)
    QVERIFY2(acknowledged.contains(quint8(n)), qPrintable(QStringLiteral("block %1 got no \"!\"").arg(n)));
  const QByteArray padded = Image() + QByteArray(image.BlockCount() * 64 - ImageSize, char(0xFF));
  QCOMPARE(line.sim.ReceivedFirmware().toHex(' '), padded.toHex(' '));
}

// Ctrl-C or closing the dialog during the pause after the restart request: no block goes out.
void TestFirmwareAcks::stopDuringPause() {
  Line line(Baud, {});
  QVERIFY(line.started);
  const FirmwareImage image = ImageFile();
  CountingReport report;
  FirmwareUpdate update(line.link, line.port, image, report, {.bootMs = PauseMs, .endMs = PauseMs});
  QTimer::singleShot(0, [&update] { update.Stop(); });
  QCOMPARE(update.Run(), FirmwareUpdate::Outcome::Stopped);
  // A block written as Run returned would arrive within 600 ms on this line.
  QVERIFY(!line.sim.WaitForRequests(2, 1000));
  QCOMPARE(line.Count(Cmd::Restart), 1);
  QCOMPARE(report.completions + report.failures, 0);
}

QTEST_GUILESS_MAIN(TestFirmwareAcks)
#include "tst_firmware_acks.moc"
