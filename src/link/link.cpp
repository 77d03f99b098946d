#include "link.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include "commands.h"
#include "comport.h"
#include "frame.h"

namespace {
constexpr int LoginReplySize = 2;
constexpr int StatusReplySize = 6;
constexpr int PauseAfterReplyMs = 10;

// Restores a flag or counter on every exit, also when the port raises.
template <typename F>
struct OnExit {
  F f;
  ~OnExit() { f(); }
};
template <typename F>
OnExit(F) -> OnExit<F>;
}  // namespace

Link::Link(TCustomComPort& port, QTimer& timer, LinkClient& client)
    : Port(port), Timer(timer), Client(client) {}

void Link::WriteRequest(quint8 command, const QByteArray& payload) {
  LinkBusy = true;
  LastSentFrame = Frame::Request(command, payload);
  LastRxCommand = 0;
  LastRxPayload.clear();
  WriteFrame(LastSentFrame);
}

void Link::WriteFrame(const QByteArray& frame) {
  const qint64 began = MonotonicNs();
  Port.WriteText(frame);
  const qint64 taken = MonotonicNs();
  const qint64 charNs = Port.CharacterTimeNs();
  LastFrameOnWireNs = qMax(began + frame.size() * charNs, taken + Port.PendingOutputCount() * charNs);
}

void Link::SendFrame(quint8 command, const QByteArray& payload) {
  OnExit done{[this] {
    LinkBusy = false;
    PollTicks = 0;
  }};
  WriteRequest(command, payload);
}

bool Link::SendFrameAndWait(quint8 command, const QByteArray& payload, quint16 ticks) {
  try {
    WriteRequest(command, payload);
  } catch (...) {
    Released();
    throw;
  }
  const bool answered = WaitForReply(ticks, command);
  QThread::msleep(PauseAfterReplyMs);
  return answered;
}

bool Link::WaitForReply(quint16 ticks, quint8 command) {
  // Busy for the whole wait, also after a plain SendFrame, so that nothing else is sent.
  LinkBusy = true;
  OnExit done{[this] { Released(); }};
  // This wait resends its own frame only, whatever is sent meanwhile.
  const QByteArray ownFrame = LastSentFrame;
  const quint64 epoch = waitEpoch_;
  ReplyCountdown = ticks;
  Timer.start();
  int resendsLeft = 2;
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (LastRxCommand == command) return true;
    if (epoch != waitEpoch_ || !Port.Connected()) return false;  // the link ended under the wait
    if (ReplyCountdown > 0) continue;
    if (resendsLeft > 0) {
      --resendsLeft;
      ReplyCountdown = ticks;
      WriteFrame(ownFrame);
      QCoreApplication::processEvents();
      continue;
    }
    if (command != Cmd::Status) Client.ReportNoReply();
    QCoreApplication::processEvents();
    // The user may have ended the link while the message was shown; that already logged out.
    if (epoch == waitEpoch_) Client.ShowLoggedOut();
    return false;
  }
}

void Link::Released() {
  LinkBusy = false;
  PollTicks = 0;
  if (IsIdle()) Client.LinkIdle();
}

void Link::EndWaits() {
  ++waitEpoch_;
  ReplyCountdown = 0;
}

void Link::CountdownStep() {
  if (ReplyCountdown > 0) --ReplyCountdown;
}

void Link::VaCommRxChar(TCustomComPort*, int count) {
  ++receiveDepth_;
  OnExit done{[this] {
    --receiveDepth_;
    if (IsIdle()) Client.LinkIdle();
  }};
  LastRxChar = NoRxChar;
  LastRxCharNs = MonotonicNs();
  QByteArray received;
  Port.ReadText(received, count);
  if (received.size() == 1) LastRxChar = received.at(0);
  AssembleReceived(received);
}

void Link::AssembleReceived(const QByteArray& received) {
  const std::optional<Reply> reply = Assembler.Feed(received);
  if (!reply) return;
  LastRxPayload = reply->payload;
  LastRxCommand = reply->command;
  DispatchReply(reply->command, reply->payload);
}

void Link::DispatchReply(quint8 command, const QByteArray& payload) {
  QCoreApplication::processEvents();
  if (command == Cmd::Login) {
    if (payload.size() >= LoginReplySize) Client.ShowFirmwareVersion(quint8(payload.at(1)));
  } else if (Cmd::IsReadItem(command)) {
    Client.ApplyConfigReply(command, payload);
  } else if (command == Cmd::Status) {
    if (payload.size() >= StatusReplySize) Client.ShowStatusReply(payload);
  }
}
