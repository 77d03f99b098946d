#pragma once
// What the simulated controller keeps in its memory: the 29 configuration items, the access
// password and the day's SMS and voice-call counters.
#include <QByteArray>
#include <array>

#include "commands.h"

inline constexpr char DefaultPassword[] = "7315";
inline constexpr char DefaultVersion = '8';
inline constexpr char DefaultSmsCentre[] = "+48501200777";  // the ORANGE preset

struct ControllerState {
  std::array<QByteArray, Cmd::ItemCount> items;  // stored values, see StoredItemValue
  QByteArray password;
  quint8 smsToday = 0;
  quint8 voiceToday = 0;

  // A controller fresh from the factory, with the given password.
  static ControllerState New(const QByteArray& password = DefaultPassword);
  bool operator==(const ControllerState&) const = default;
};

// What the controller keeps of a written value: a text is cut to the room the controller has
// for it, a fixed-size value is cut or padded with zeros to its size.
QByteArray StoredItemValue(int item, const QByteArray& written);

// The payload of the reply to reading an item. The service-centre number is followed by one
// NUL byte, as the real controller sends it.
QByteArray ReadReplyValue(int item, const QByteArray& stored);
