#pragma once
// Reaching a network port: the host's addresses found and tried in turn, all within one limit,
// and the connection set up as a serial line wants it (no Nagle delay, dead peers found).
#include <QString>

#include "net_address.h"

namespace NetConnect {

inline constexpr int ConnectLimitMs = 3000;

struct Result {
  int socket = -1;  // connected, non-blocking; -1 on failure
  QString problem;  // Polish, on failure
  qint64 roundTripNs = 0;  // how long the connection took to be accepted: about one round trip
};
Result Connect(const NetAddress& address);

// Waits until `fd` is readable or `deadlineNs` (monotonic clock) has passed; false then.
bool WaitReadable(int fd, qint64 deadlineNs);
qint64 NowNs();

}  // namespace NetConnect
