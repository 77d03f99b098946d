#pragma once
// Status replies on a clock of the test's own, whose wall time it steps as NTP or a user does.
#include <QByteArray>

#include "status_history.h"

class SteppedClock {
 public:
  explicit SteppedClock(qint64 monotonicMs = 5'000'000) : now_{monotonicMs, 1'740'000'000'000} {}
  StatusClock Clock() {
    return [this] { return now_; };
  }
  void Advance(qint64 ms) {
    now_.monotonicMs += ms;
    now_.wallMs += ms;
  }
  void StepWall(qint64 ms) { now_.wallMs += ms; }
  void AdvanceTo(qint64 monotonicMs) { Advance(monotonicMs - now_.monotonicMs); }
  ClockReading Now() const { return now_; }

 private:
  ClockReading now_;
};

constexpr qint64 MonthMs = 30LL * 24 * 3600 * 1000;

// A registered modem's status reply with the signal level given.
inline QByteArray StatusWithLevel(quint8 level) { return QByteArray::fromHex("058013") + char(level) + QByteArray::fromHex("0201"); }

// count replies a second apart, reply i with level i % 21, the wall clock stepped by stepMs just
// before reply stepAt.
inline void RecordEverySecond(StatusHistory& history, SteppedClock& clock, int count, int stepAt = -1, qint64 stepMs = 0) {
  for (int i = 0; i < count; ++i) {
    if (i > 0) clock.Advance(1000);
    if (i == stepAt) clock.StepWall(stepMs);
    history.Record(StatusWithLevel(quint8(i % 21)));
  }
}
