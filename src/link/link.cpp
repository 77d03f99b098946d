#include "link.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include "commands.h"
#include "comport.h"
#include "frame.h"
#include "message_box.h"

namespace {
constexpr int LoginReplySize = 2;
constexpr int StatusReplySize = 6;
constexpr int PauseAfterReplyMs = 10;
}  // namespace

Link::Link(TCustomComPort& port, QTimer& timer, LinkClient& client)
    : Port(port), Timer(timer), Client(client) {}

void Link::WriteRequest(quint8 command, const QByteArray& payload) {
  LinkBusy = true;
  LastSentFrame = Frame::Request(command, payload);
  LastRxCommand = 0;
  LastRxPayload.clear();
  Port.WriteText(LastSentFrame);
}

void Link::SendFrame(quint8 command, const QByteArray& payload) {
  WriteRequest(command, payload);
  LinkBusy = false;
  PollTicks = 0;
}

bool Link::SendFrameAndWait(quint8 command, const QByteArray& payload, quint16 ticks) {
  WriteRequest(command, payload);
  const bool answered = WaitForReply(ticks, command);
  QThread::msleep(PauseAfterReplyMs);
  return answered;
}

bool Link::WaitForReply(quint16 ticks, quint8 command) {
  // Busy for the whole wait, also after a plain SendFrame: a status poll started inside the
  // wait would replace the frame that the resends repeat.
  LinkBusy = true;
  ReplyCountdown = ticks;
  Timer.start();
  int resendsLeft = 2;
  bool answered = false;
  for (;;) {
    // A nested wait that failed stops the timer; this wait still needs its ticks.
    if (!Timer.isActive()) Timer.start();
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (LastRxCommand == command) {
      answered = true;
      break;
    }
    // Disconnected under the wait: stop quietly, there is nobody to resend to.
    if (!Port.Connected()) break;
    if (ReplyCountdown > 0) continue;
    if (resendsLeft > 0) {
      --resendsLeft;
      ReplyCountdown = ticks;
      Port.WriteText(LastSentFrame);
      QCoreApplication::processEvents();
      continue;
    }
    if (command != Cmd::Status) {
      QApplication::beep();
      ErrorBox(QString::fromUtf8(NoReplyText));
    }
    QCoreApplication::processEvents();
    Client.ShowLoggedOut();
    break;
  }
  LinkBusy = false;
  PollTicks = 0;
  return answered;
}

void Link::CountdownStep() {
  if (ReplyCountdown > 0) --ReplyCountdown;
}

void Link::VaCommRxChar(TCustomComPort*, int count) {
  LastRxChar = NoRxChar;
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
