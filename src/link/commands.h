#pragma once
// One-byte commands of the controller link. A reply carries its request's command byte.
#include <QtGlobal>

namespace Cmd {
inline constexpr quint8 Login = 1;             // payload: password digits; reply "T"/other + version
inline constexpr quint8 Logout = 2;            // payload "W"
inline constexpr quint8 PasswordChange = 3;    // payload: the new password
inline constexpr quint8 ReadItemFirst = 4;     // item k is read with 4 + 2k, payload "G"
inline constexpr quint8 ReadItemLast = 60;
inline constexpr quint8 WriteItemFirst = 5;    // item k is written with 5 + 2k, payload its value
inline constexpr quint8 WriteItemLast = 61;
inline constexpr quint8 Status = 0x50;         // "P", payload "G"; reply: six status bytes
inline constexpr quint8 ResetCounters = 0x51;  // "Q", payload "G"
inline constexpr quint8 Restart = 0x64;        // "d", payload "B"; also enters the bootloader
inline constexpr quint8 FirmwareBlock = 0x65;  // "e", block number + 64 image bytes; acked by "!"
inline constexpr quint8 FirmwareEnd = 0x66;    // "f", payload "K"

inline constexpr int ItemCount = 29;
constexpr quint8 ReadItem(int k) { return quint8(ReadItemFirst + 2 * k); }
constexpr quint8 WriteItem(int k) { return quint8(WriteItemFirst + 2 * k); }
constexpr bool IsReadItem(quint8 c) { return c >= ReadItemFirst && c <= ReadItemLast && c % 2 == 0; }
constexpr bool IsWriteItem(quint8 c) { return c >= WriteItemFirst && c <= WriteItemLast && c % 2 == 1; }
constexpr int ItemOfCommand(quint8 c) { return (c - ReadItemFirst) / 2; }  // read or write command

inline constexpr char FirmwareAck = '!';
}  // namespace Cmd
