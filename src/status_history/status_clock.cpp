#include "status_clock.h"

#include <QDateTime>
#include <chrono>

ClockReading SystemClockNow() {
  const auto monotonic = std::chrono::steady_clock::now().time_since_epoch();
  return {std::chrono::duration_cast<std::chrono::milliseconds>(monotonic).count(), QDateTime::currentMSecsSinceEpoch()};
}
