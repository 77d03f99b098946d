// The ring keeps the newest replies up to its capacity, and the statistics of the signal level
// leave out replies without a level.
#include <QTest>

#include "status_history.h"
#include "stepped_clock.h"

namespace {
// "0:10 1000:99" records a reply with level 10 at 0 ms and one with no level at 1000 ms.
void RecordAll(StatusHistory& history, SteppedClock& clock, const QString& replies) {
  for (const QString& reply : replies.split(u' ', Qt::SkipEmptyParts)) {
    const QStringList parts = reply.split(u':');
    clock.AdvanceTo(parts[0].toLongLong());
    history.Record(StatusWithLevel(quint8(parts[1].toInt())));
  }
}
}  // namespace

class TestStatusHistory : public QObject {
  Q_OBJECT
 private slots:
  void bound_data();
  void bound();
  void stats_data();
  void stats();
  void wallClockSteps_data();
  void wallClockSteps();
};

void TestStatusHistory::bound_data() {
  QTest::addColumn<int>("capacity");
  QTest::addColumn<int>("recorded");  // one a second, from 0 s
  QTest::addColumn<int>("size");
  QTest::addColumn<qint64>("oldestMs");

  QTest::newRow("filling") << 5 << 3 << 3 << qint64(0);
  QTest::newRow("full") << 5 << 5 << 5 << qint64(0);
  QTest::newRow("wrapped twice and a bit") << 5 << 12 << 5 << qint64(7000);
  QTest::newRow("capacity 1") << 1 << 4 << 1 << qint64(3000);
  QTest::newRow("half an hour and more") << StatusHistory::HalfHourOfPolls << 24 * 3600 << 1800
                                         << qint64((24 * 3600 - 1800) * 1000);
}

void TestStatusHistory::bound() {
  QFETCH(int, capacity);
  QFETCH(int, recorded);
  QFETCH(int, size);
  QFETCH(qint64, oldestMs);

  SteppedClock clock(0);
  StatusHistory history(capacity, clock.Clock());
  RecordEverySecond(history, clock, recorded);
  history.Record(QByteArray::fromHex("0580130F02"));  // too short: not kept

  QCOMPARE(history.Size(), size);
  for (int i = 0; i < size; ++i) {
    QCOMPARE(history.At(i).monotonicMs, oldestMs + i * 1000);
    QCOMPARE(history.At(i).Level(), int(oldestMs / 1000 + i) % 21);
  }
  // Found by time across the wrap.
  QCOMPARE(history.IndexFrom(0), 0);
  QCOMPARE(history.IndexFrom(oldestMs + (size - 1) * 1000 - 500), size - 1);
  QCOMPARE(history.IndexFrom(oldestMs + size * 1000), size);
}

void TestStatusHistory::stats_data() {
  QTest::addColumn<int>("capacity");
  QTest::addColumn<QString>("replies");  // time:level
  QTest::addColumn<qint64>("fromMs");
  QTest::addColumn<qint64>("toMs");
  QTest::addColumn<int>("count");
  QTest::addColumn<int>("withLevel");
  QTest::addColumn<int>("minimum");
  QTest::addColumn<int>("maximum");
  QTest::addColumn<double>("average");

  QTest::newRow("every reply with a level") << 100 << "0:10 1000:12 2000:17" << 0LL << 2000LL << 3 << 3 << 10 << 17 << 13.0;
  QTest::newRow("99 is no level, not 0") << 100 << "0:10 1000:99 2000:16" << 0LL << 2000LL << 3 << 2 << 10 << 16 << 13.0;
  QTest::newRow("no reply for a while") << 100 << "0:4 1000:5 9000:9 10000:6" << 0LL << 10000LL << 4 << 4 << 4 << 9 << 6.0;
  QTest::newRow("nothing but 99") << 100 << "0:99 1000:99" << 0LL << 1000LL << 2 << 0 << 0 << 0 << 0.0;
  QTest::newRow("past the scale counts full") << 100 << "0:21 1000:45 2000:0" << 0LL << 2000LL << 3 << 3 << 0 << 20 << 40.0 / 3;
  QTest::newRow("both ends included") << 100 << "0:1 1000:2 2000:3 3000:4" << 1000LL << 2000LL << 2 << 2 << 2 << 3 << 2.5;
  QTest::newRow("last minute") << 100 << "0:20 50000:3 61000:5 110000:99 120000:7" << 60000LL << 120000LL << 3 << 2
                               << 5 << 7 << 6.0;
  QTest::newRow("no reply in the stretch") << 100 << "0:10 9000:12" << 1000LL << 8000LL << 0 << 0 << 0 << 0 << 0.0;
  QTest::newRow("dropped from the ring") << 3 << "0:1 1000:20 2000:8 3000:9 4000:99" << 0LL << 4000LL << 3 << 2 << 8
                                         << 9 << 8.5;
}

void TestStatusHistory::stats() {
  QFETCH(int, capacity);
  QFETCH(QString, replies);
  QFETCH(qint64, fromMs);
  QFETCH(qint64, toMs);

  SteppedClock clock(0);
  StatusHistory history(capacity, clock.Clock());
  RecordAll(history, clock, replies);
  const SignalStats stats = history.Stats(fromMs, toMs);
  QTEST(stats.replies, "count");
  QTEST(stats.withLevel, "withLevel");
  if (stats.withLevel == 0) return;
  QTEST(stats.minimum, "minimum");
  QTEST(stats.maximum, "maximum");
  QTEST(stats.average, "average");
}

// A step of the wall clock, either way, moves no reply on the time line: the last minute, the
// gaps and the searches go by the monotonic clock, and each reply keeps the wall time it came at.
void TestStatusHistory::wallClockSteps_data() {
  QTest::addColumn<int>("stepAt");  // of 90 replies a second apart
  QTest::addColumn<qint64>("stepMs");
  QTest::newRow("back 3 s with the newest reply") << 89 << -3000LL;
  QTest::newRow("back 3 s half a minute ago") << 60 << -3000LL;
  QTest::newRow("forward 3 s half a minute ago") << 60 << 3000LL;
  QTest::newRow("back a month half a minute ago") << 60 << -MonthMs;
  QTest::newRow("forward a month with the newest reply") << 89 << MonthMs;
  QTest::newRow("back a month before the last minute") << 10 << -MonthMs;
}

void TestStatusHistory::wallClockSteps() {
  QFETCH(int, stepAt);
  QFETCH(qint64, stepMs);
  constexpr int Replies = 90;
  SteppedClock steady, stepped;
  StatusHistory expected(StatusHistory::HalfHourOfPolls, steady.Clock());
  StatusHistory history(StatusHistory::HalfHourOfPolls, stepped.Clock());
  RecordEverySecond(expected, steady, Replies);
  RecordEverySecond(history, stepped, Replies, stepAt, stepMs);

  const SignalStats minute = history.LastMinute(), steadyMinute = expected.LastMinute();
  QCOMPARE(minute.replies, steadyMinute.replies);
  QCOMPARE(minute.average, steadyMinute.average);
  const qint64 newestMs = history.At(Replies - 1).monotonicMs;
  QCOMPARE(history.IndexFrom(newestMs - StatusHistory::MinuteMs), expected.IndexFrom(newestMs - StatusHistory::MinuteMs));
  for (int i = 0; i < Replies; ++i) {
    QCOMPARE(history.At(i).monotonicMs, expected.At(i).monotonicMs);
    QCOMPARE(history.At(i).wallMs, expected.At(i).wallMs + (i >= stepAt ? stepMs : 0));
    if (i > 0) QVERIFY(!StatusHistory::Gap(history.At(i - 1), history.At(i)));
  }
  // Labels on the time line follow the wall clock as it reads now.
  QCOMPARE(history.WallOffsetMs(), expected.WallOffsetMs() + stepMs);
}

QTEST_GUILESS_MAIN(TestStatusHistory)
#include "tst_status_history.moc"
