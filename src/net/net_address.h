#pragma once
// The name of a network port: rfc2217://HOST:PORT (the far side's line set by velt through the
// Telnet COM-port option) or tcp://HOST:PORT (raw bytes; the far side's line is its own
// business). HOST is a name, an IPv4 address or an IPv6 address in brackets.
#include <QByteArray>
#include <QString>
#include <optional>

struct NetAddress {
  enum Kind { Raw, Rfc2217 };
  Kind kind = Raw;
  QString host;  // without brackets
  quint16 port = 0;

  // The name as typed back (brackets around an IPv6 address).
  QByteArray Name() const;
  bool operator==(const NetAddress&) const = default;
};

namespace NetAddressText {
// Whether the name is meant as a network port (its scheme), well formed or not.
bool IsNetworkName(const QByteArray& name);
// Nullopt with *error (Polish) for a name that is no well-formed network port.
std::optional<NetAddress> Parse(const QByteArray& name, QString* error);
}  // namespace NetAddressText
