#include "com_port_option.h"

using namespace Telnet;

namespace {
// Parity and stop-size values of the option: 1 is none and one stop bit; control 1 is no flow
// control on the outbound side, which a server applies both ways.
constexpr char ParityNone = 1;
constexpr char OneStopBit = 1;
constexpr char NoFlowControl = 1;

bool OursToDo(quint8 option) {
  return option == OptionBinary || option == OptionSuppressGoAhead || option == OptionComPort;
}
bool TheirsToDo(quint8 option) { return option == OptionBinary || option == OptionSuppressGoAhead; }

QString SettingName(quint8 command) {
  switch (command) {
    case ComPortOption::SetBaudRate: return QStringLiteral("prędkość");
    case ComPortOption::SetDataSize: return QStringLiteral("liczbę bitów danych");
    case ComPortOption::SetParity: return QStringLiteral("parzystość");
    case ComPortOption::SetStopSize: return QStringLiteral("bity stopu");
    default: return QStringLiteral("sterowanie przepływem");
  }
}
}  // namespace

QList<ComPortOption::Setting> ComPortOption::ControllerLine() {
  return {{SetBaudRate, QByteArray::fromHex("000004b0")},  // 1200, big-endian
          {SetDataSize, QByteArray(1, 8)},
          {SetParity, QByteArray(1, ParityNone)},
          {SetStopSize, QByteArray(1, OneStopBit)},
          {SetControl, QByteArray(1, NoFlowControl)}};
}

ComPortOption::ComPortOption(QList<Setting> line) : line_(std::move(line)), confirmed_(line_.size(), false) {}

QByteArray ComPortOption::Greeting() {
  QByteArray out;
  for (const quint8 option : {OptionBinary, OptionSuppressGoAhead, OptionComPort}) {
    ours_.insert(option);
    out += Command(Will, option);
  }
  for (const quint8 option : {OptionBinary, OptionSuppressGoAhead}) {
    theirs_.insert(option);
    out += Command(Do, option);
  }
  for (const Setting& s : line_) out += Subnegotiation(OptionComPort, QByteArray(1, char(s.command)) + s.value);
  return out;
}

void ComPortOption::Feed(QByteArrayView bytes, QByteArray& data, QByteArray& reply) {
  QList<Event> events;
  decoder_.Feed(bytes, data, events);
  for (const Event& e : events) Handle(e, reply);
}

void ComPortOption::Handle(const Event& event, QByteArray& reply) {
  const quint8 option = event.option;
  // Each side answers a request only when it changes something, so no two ends loop.
  switch (event.verb) {
    case Do:
      if (OursToDo(option)) {
        if (ours_.insert(option).second) reply += Command(Will, option);
      } else if (refusedOurs_.insert(option).second) {
        reply += Command(Wont, option);
      }
      break;
    case Dont:
      if (ours_.erase(option)) reply += Command(Wont, option);
      if (option == OptionComPort) Refuse(QStringLiteral("serwer portów nie obsługuje ustawiania łącza (RFC 2217)"));
      break;
    case Will:
      if (TheirsToDo(option)) {
        if (theirs_.insert(option).second) reply += Command(Do, option);
      } else if (refusedTheirs_.insert(option).second) {
        reply += Command(Dont, option);
      }
      break;
    case Wont:
      if (theirs_.erase(option)) reply += Command(Dont, option);
      break;
    case Sb:
      if (option == OptionComPort && !event.payload.isEmpty())
        HandleServerSetting(quint8(event.payload.at(0)), event.payload.mid(1));
      break;
  }
}

void ComPortOption::HandleServerSetting(quint8 command, const QByteArray& value) {
  if (state_ != Negotiating || command <= ServerOffset) return;
  for (qsizetype i = 0; i < line_.size(); ++i) {
    if (line_[i].command != command - ServerOffset) continue;
    if (value != line_[i].value) {
      Refuse(QStringLiteral("serwer portów ustawił %1 inaczej, niż velt prosił (RFC 2217)").arg(SettingName(line_[i].command)));
      return;
    }
    confirmed_[i] = true;
  }
  if (!confirmed_.contains(false)) state_ = Accepted;
}

void ComPortOption::Refuse(const QString& why) {
  if (state_ != Negotiating) return;
  state_ = Refused;
  problem_ = why;
}
