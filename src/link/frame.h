#pragma once
// Frames of the controller link: start byte, command, length, payload, 8-bit additive checksum.
#include <QByteArray>

namespace Frame {
inline constexpr char RequestStart = 'G';  // host to controller
inline constexpr char ReplyStart = 'g';    // controller to host
inline constexpr int MaxReplyPayload = 100;
inline constexpr int Overhead = 4;         // start, command, length, checksum

// Sum of the bytes modulo 256.
quint8 Checksum(const char* data, qsizetype size);
inline quint8 Checksum(const QByteArray& bytes) { return Checksum(bytes.constData(), bytes.size()); }

// A whole frame; the length byte holds the payload length modulo 256.
QByteArray Build(char start, quint8 command, const QByteArray& payload);
inline QByteArray Request(quint8 command, const QByteArray& payload) {
  return Build(RequestStart, command, payload);
}
inline QByteArray Reply(quint8 command, const QByteArray& payload) {
  return Build(ReplyStart, command, payload);
}
}  // namespace Frame
