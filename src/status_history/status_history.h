#pragma once
// The status replies of one connection, oldest first, in a ring of fixed capacity: however long
// a watch runs, the memory stays the same. The window's signal chart and velt-cli's watch read
// it, with the statistics of the signal level over a stretch of time. Every time below is on the
// monotonic clock: a step of the wall clock moves no reply and shortens or stretches no span.
#include <QByteArray>
#include <QObject>
#include <array>
#include <vector>

#include "status_clock.h"
#include "status_decode.h"

// One status reply and when it came.
struct StatusSample {
  qint64 monotonicMs = 0;                       // for spans and places on a time line
  qint64 wallMs = 0;                            // for the label of the reply only
  std::array<quint8, StatusReplySize> bytes{};  // the reply as the controller sent it

  quint8 RawLevel() const { return bytes[3]; }
  bool HasLevel() const { return RawLevel() != NoSignalLevel; }
  int Level() const { return SignalOnScale(RawLevel()); }
  quint8 StageCode() const { return bytes[2]; }
  StatusReply Reply() const;
};

// The signal level on the gauge's scale over the replies of a stretch that carried one.
struct SignalStats {
  int replies = 0;
  int withLevel = 0;  // minimum, maximum and average mean something only when above 0
  int minimum = 0;
  int maximum = 0;
  double average = 0;
};

class StatusHistory : public QObject {
  Q_OBJECT

 public:
  static constexpr int HalfHourOfPolls = 30 * 60;
  // Polls go out once a second and a lost one is sent again a second later: replies farther
  // apart than this have at least one missing between them.
  static constexpr qint64 GapAfterMs = 2500;
  static constexpr qint64 MinuteMs = 60 * 1000;

  explicit StatusHistory(int capacity = HalfHourOfPolls, StatusClock clock = SystemClockNow);

  // Stamped with the clock now; a payload shorter than a status reply records nothing.
  void Record(const QByteArray& payload);
  // Stamped with a reading taken before (a history filled after the fact, as the benchmark does).
  void Record(const QByteArray& payload, ClockReading at);
  void Clear();

  ClockReading Now() const { return clock_(); }
  // Added to a monotonic time, the wall clock's reading then, as the newest reply (or, with
  // none, the clock now) tells it: labels of a time line follow the wall clock as it is now.
  qint64 WallOffsetMs() const;

  int Size() const { return int(samples_.size()); }
  int Capacity() const { return capacity_; }
  const StatusSample& At(int i) const;  // 0: the oldest kept
  // The first sample at or after timeMs; Size() when there is none.
  int IndexFrom(qint64 timeMs) const;
  // Over the samples from fromMs to toMs, both included.
  SignalStats Stats(qint64 fromMs, qint64 toMs) const;
  // Over the minute up to the newest sample.
  SignalStats LastMinute() const;

  // A reply (or more) is missing between these two neighbours.
  static bool Gap(const StatusSample& before, const StatusSample& after) {
    return after.monotonicMs - before.monotonicMs > GapAfterMs;
  }

 signals:
  void Changed();

 private:
  int capacity_;
  StatusClock clock_;
  std::vector<StatusSample> samples_;  // grows to capacity_, then wraps around at oldest_
  int oldest_ = 0;
};
