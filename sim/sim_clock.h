#pragma once
// The simulator's one clock: the monotonic clock, the same one QElapsedTimer reads on Linux,
// so that times in the request log compare with a test's own measurements.
#include <QtGlobal>
#include <chrono>

using SimClock = std::chrono::steady_clock;
using SimTime = SimClock::time_point;

inline qint64 MonotonicMs(SimTime t) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count();
}
