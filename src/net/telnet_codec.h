#pragma once
// Telnet as a network port speaks it: IAC (0xFF) doubled in the data, option negotiation and
// subnegotiation commands told apart from the data, byte by byte, across any split of the stream.
#include <QByteArray>
#include <QByteArrayView>
#include <QList>

namespace Telnet {
inline constexpr quint8 Se = 240, Sb = 250, Will = 251, Wont = 252, Do = 253, Dont = 254, Iac = 255;
inline constexpr quint8 OptionBinary = 0, OptionSuppressGoAhead = 3, OptionComPort = 44;

// Data as it goes on the wire: every IAC doubled.
QByteArray EscapeIac(QByteArrayView data);
// IAC verb option.
QByteArray Command(quint8 verb, quint8 option);
// IAC SB option payload IAC SE, the payload escaped.
QByteArray Subnegotiation(quint8 option, QByteArrayView payload);

struct Event {
  quint8 verb = 0;  // Will, Wont, Do, Dont, or Sb with the payload unescaped
  quint8 option = 0;
  QByteArray payload;
  bool operator==(const Event&) const = default;
};

// Splits what arrives into data and commands; a command cut by the end of one piece is completed
// by the next. Commands without an option (NOP, GA, ...) carry nothing for a port and are dropped.
class Decoder {
 public:
  void Feed(QByteArrayView bytes, QByteArray& data, QList<Event>& events);

 private:
  enum State { InData, AfterIac, AfterVerb, InSub, InSubAfterIac };
  State state_ = InData;
  quint8 verb_ = 0;
  QByteArray sub_;  // option byte first, then the payload
};
}  // namespace Telnet
