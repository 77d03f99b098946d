#include "telnet_codec.h"

namespace Telnet {

QByteArray EscapeIac(QByteArrayView data) {
  QByteArray out;
  out.reserve(data.size() + data.count(char(Iac)));
  for (const char c : data) {
    out.append(c);
    if (quint8(c) == Iac) out.append(c);
  }
  return out;
}

QByteArray Command(quint8 verb, quint8 option) {
  const char bytes[] = {char(Iac), char(verb), char(option)};
  return QByteArray(bytes, sizeof bytes);
}

QByteArray Subnegotiation(quint8 option, QByteArrayView payload) {
  const char start[] = {char(Iac), char(Sb), char(option)};
  const char end[] = {char(Iac), char(Se)};
  return QByteArray(start, sizeof start) + EscapeIac(payload) + QByteArray(end, sizeof end);
}

void Decoder::Feed(QByteArrayView bytes, QByteArray& data, QList<Event>& events) {
  for (const char c : bytes) {
    const quint8 b = quint8(c);
    switch (state_) {
      case InData:
        if (b == Iac) {
          state_ = AfterIac;
        } else {
          data.append(c);
        }
        break;
      case AfterIac:
        if (b == Iac) {
          data.append(c);
          state_ = InData;
        } else if (b == Sb) {
          sub_.clear();
          state_ = InSub;
        } else if (b >= Will && b <= Dont) {
          verb_ = b;
          state_ = AfterVerb;
        } else {
          state_ = InData;  // a command without an option
        }
        break;
      case AfterVerb:
        events.append({verb_, b, {}});
        state_ = InData;
        break;
      case InSub:
        if (b == Iac) {
          state_ = InSubAfterIac;
        } else {
          sub_.append(c);
        }
        break;
      case InSubAfterIac:
        if (b == Iac) {
          sub_.append(c);
          state_ = InSub;
        } else if (b == Se) {
          if (!sub_.isEmpty()) events.append({Sb, quint8(sub_.at(0)), sub_.mid(1)});
          state_ = InData;
        } else {
          // Not allowed inside a subnegotiation: a sender that broke it off. Its command is
          // dropped and what follows is data again.
          state_ = InData;
        }
        break;
    }
  }
}

}  // namespace Telnet
