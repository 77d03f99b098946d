#pragma once
// When a status reply came, on two clocks: the monotonic one, which only runs forward, measures
// spans, gaps and "the last minute"; the wall clock, which NTP or the user may step either way,
// only labels. Tests hand in a clock of their own to step the wall clock.
#include <QtGlobal>
#include <functional>

struct ClockReading {
  qint64 monotonicMs = 0;  // from an arbitrary start
  qint64 wallMs = 0;       // milliseconds since the epoch
};

using StatusClock = std::function<ClockReading()>;

ClockReading SystemClockNow();
