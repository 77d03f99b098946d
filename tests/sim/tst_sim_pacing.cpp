// --baud: the simulated line moves 10 bits per byte at the given rate, in both directions.
#include <QtTest>

#include "commands.h"
#include "frame.h"
#include "sim_line.h"
#include "simulator.h"

class TestSimPacing : public QObject {
  Q_OBJECT

 private slots:
  void exchangeTakesTheLineTime_data();
  void exchangeTakesTheLineTime();
  void requestsQueueOnTheLine();
};

void TestSimPacing::exchangeTakesTheLineTime_data() {
  QTest::addColumn<int>("baud");
  QTest::newRow("1200") << 1200;
  QTest::newRow("4800") << 4800;
}

// A status request of 5 bytes and its reply of 10: 15 byte times, 125 ms at 1200 bit/s. The
// request counts as received after its 5 bytes, the reply's first byte arrives one byte later.
void TestSimPacing::exchangeTakesTheLineTime() {
  QFETCH(int, baud);
  const double byteMs = 10000.0 / baud;
  SimOptions options;
  options.baud = baud;
  Simulator sim(options);
  QString error;
  QVERIFY2(sim.Start(&error), qPrintable(error));
  sim.SetFixedStatus(Hex("05 80 13 0F 02 01"));
  SimLine line(sim.DevicePath());
  QVERIFY2(line.IsOpen(), qPrintable(line.Error()));

  const qint64 sent = Simulator::NowMs();
  QVERIFY(line.Send(Cmd::Status, "G"));
  QCOMPARE(line.ReadBytes(1), QByteArray("g"));
  const qint64 first = Simulator::NowMs();
  QCOMPARE(line.ReadBytes(9), Hex("50 06 05 80 13 0F 02 01 67"));
  const qint64 last = Simulator::NowMs();

  const QList<LoggedRequest> log = sim.Requests();
  QCOMPARE(log.size(), 1);
  const qint64 margin = 3;  // whole milliseconds on both clocks
  QVERIFY2(log[0].ms - sent >= 5 * byteMs - margin, qPrintable(QString::number(log[0].ms - sent)));
  QVERIFY2(first - sent >= 6 * byteMs - margin, qPrintable(QString::number(first - sent)));
  QVERIFY2(last - first >= 9 * byteMs - margin, qPrintable(QString::number(last - first)));
  QVERIFY2(last - sent >= 15 * byteMs - margin, qPrintable(QString::number(last - sent)));
  QVERIFY2(last - sent < 15 * byteMs + 1000, qPrintable(QString::number(last - sent)));
}

// Two requests written at once: the second is complete only after both have crossed the line.
void TestSimPacing::requestsQueueOnTheLine() {
  SimOptions options;
  options.baud = 1200;
  Simulator sim(options);
  QString error;
  QVERIFY2(sim.Start(&error), qPrintable(error));
  SimLine line(sim.DevicePath());
  QVERIFY2(line.IsOpen(), qPrintable(line.Error()));
  const qint64 sent = Simulator::NowMs();
  QVERIFY(line.Write(Frame::Request(Cmd::ReadItem(0), "G") + Frame::Request(Cmd::ReadItem(28), "G")));
  QVERIFY(sim.WaitForRequests(2, 3000));
  const QList<LoggedRequest> log = sim.Requests();
  QVERIFY2(log[0].ms - sent >= 5 * 8.33 - 3, qPrintable(QString::number(log[0].ms - sent)));
  QVERIFY2(log[1].ms - sent >= 10 * 8.33 - 3, qPrintable(QString::number(log[1].ms - sent)));
  QCOMPARE(line.ReadFrame(3000), Hex("67 04 04 37 33 31 35 3F"));
  QCOMPARE(line.ReadFrame(3000), Hex("67 3C 02 4F 4B 3F"));
}

QTEST_GUILESS_MAIN(TestSimPacing)
#include "tst_sim_pacing.moc"
