#include "item_requests.h"

#include <QThread>

#include "commands.h"
#include "link.h"
#include "waits.h"

namespace ItemRequests {
namespace {
constexpr int PauseBeforeReadMs = 10;
constexpr int FirstInputText = 6;  // the off texts of IN1 to IN5, then their on texts
constexpr int LastInputText = 15;
}  // namespace

quint16 WriteTicks(int k) {
  return k >= FirstInputText && k <= LastInputText ? Waits::InputTextTicks : Waits::ShortTicks;
}

bool Read(Link& link, int k) {
  const quint8 command = Cmd::ReadItem(k);
  link.PollTicks = 0;
  QThread::msleep(PauseBeforeReadMs);
  link.SendFrame(command, QByteArrayLiteral("G"));
  return link.WaitForReply(Waits::ReadTicks, command);
}

bool Write(Link& link, int k, const QByteArray& value) {
  return link.SendFrameAndWait(Cmd::WriteItem(k), value, WriteTicks(k));
}
}  // namespace ItemRequests
