#pragma once
// The waits for the controller's replies, in ticks of the 100 ms timer; every request gets three
// attempts of its ticks.
#include <QtGlobal>

namespace Waits {
inline constexpr int TickMs = 100;
inline constexpr quint16 ShortTicks = 10;      // login, logout, password, status, most writes
inline constexpr quint16 InputTextTicks = 60;  // the write of an input text
inline constexpr quint16 ReadTicks = 110;      // the read of an item
}  // namespace Waits
