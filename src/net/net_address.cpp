#include "net_address.h"

#include <algorithm>

namespace {

constexpr char RawScheme[] = "tcp://";
constexpr char Rfc2217Scheme[] = "rfc2217://";

bool HostCharacter(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_';
}

bool Ipv6Character(char c) {
  return (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F') || (c >= '0' && c <= '9') || c == ':' || c == '.';
}

}  // namespace

QByteArray NetAddress::Name() const {
  const QByteArray h = host.toUtf8();
  return (kind == Rfc2217 ? QByteArray(Rfc2217Scheme) : QByteArray(RawScheme)) +
         (h.contains(':') ? '[' + h + ']' : h) + ':' + QByteArray::number(port);
}

namespace NetAddressText {

bool IsNetworkName(const QByteArray& name) {
  const QByteArray lower = name.trimmed().toLower();
  return lower.startsWith(RawScheme) || lower.startsWith(Rfc2217Scheme);
}

std::optional<NetAddress> Parse(const QByteArray& name, QString* error) {
  const auto refuse = [&](const QString& why) {
    *error = QStringLiteral("Nieprawidłowy port sieciowy „%1”: %2 (postać: rfc2217://KOMPUTER:PORT albo tcp://KOMPUTER:PORT)")
                 .arg(QString::fromUtf8(name), why);
    return std::nullopt;
  };
  NetAddress address;
  const QByteArray lower = name.toLower();
  QByteArray rest;
  if (lower.startsWith(RawScheme)) {
    rest = name.mid(qsizetype(sizeof RawScheme) - 1);
  } else if (lower.startsWith(Rfc2217Scheme)) {
    address.kind = NetAddress::Rfc2217;
    rest = name.mid(qsizetype(sizeof Rfc2217Scheme) - 1);
  } else {
    return refuse(QStringLiteral("oczekiwano rfc2217:// albo tcp://"));
  }
  QByteArray host;
  if (rest.startsWith('[')) {
    const qsizetype close = rest.indexOf(']');
    if (close < 0) return refuse(QStringLiteral("brak nawiasu ] po adresie IPv6"));
    host = rest.mid(1, close - 1);
    if (host.isEmpty() || !host.contains(':') || !std::all_of(host.begin(), host.end(), Ipv6Character))
      return refuse(QStringLiteral("nieprawidłowy adres IPv6"));
    rest = rest.mid(close + 1);
    if (!rest.startsWith(':')) return refuse(QStringLiteral("brak numeru portu TCP"));
  } else {
    const qsizetype colon = rest.lastIndexOf(':');
    if (colon < 0) return refuse(QStringLiteral("brak numeru portu TCP"));
    host = rest.left(colon);
    rest = rest.mid(colon);
    if (host.isEmpty()) return refuse(QStringLiteral("brak nazwy komputera"));
    if (host.contains(':')) return refuse(QStringLiteral("adres IPv6 podaj w nawiasach [ ]"));
    if (!std::all_of(host.begin(), host.end(), HostCharacter))
      return refuse(QStringLiteral("niedozwolony znak w nazwie komputera"));
  }
  const QByteArray digits = rest.mid(1);  // after the colon
  const bool number = !digits.isEmpty() && digits.size() <= 5 &&
                      std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; });
  const uint port = number ? digits.toUInt() : 0;
  if (port < 1 || port > 65535) return refuse(QStringLiteral("numer portu TCP to liczba od 1 do 65535"));
  address.host = QString::fromUtf8(host);
  address.port = quint16(port);
  return address;
}

}  // namespace NetAddressText
