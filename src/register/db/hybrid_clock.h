#pragma once
// The order of changes that wrong clocks cannot upset: a hybrid logical clock. A change's clock
// is its computer's wall time in milliseconds, shifted to leave room for a counter, unless a
// change this computer has already seen is as late or later: then it is one past that. So a
// change made after seeing another is always later than it, whatever the wall clocks say; two
// changes of one clock value are ordered by their UUIDs.
#include <QDateTime>
#include <QtGlobal>
#include <algorithm>
#include <functional>

namespace HybridClock {

inline constexpr int CounterBits = 16;

// The wall clock the register reads, in milliseconds since the epoch; tests give their own.
using WallClock = std::function<qint64()>;
inline qint64 SystemWallMs() { return QDateTime::currentMSecsSinceEpoch(); }

inline qint64 OfWall(qint64 wallMs) { return wallMs << CounterBits; }
inline qint64 WallOf(qint64 clock) { return clock >> CounterBits; }
// The clock of a new change, given the latest clock seen among the changes it follows.
inline qint64 Next(qint64 wallMs, qint64 latestSeen) { return std::max(OfWall(wallMs), latestSeen + 1); }

}  // namespace HybridClock
