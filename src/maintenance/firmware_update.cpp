#include "firmware_update.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include "commands.h"
#include "comport.h"
#include "link.h"

FirmwareUpdate::FirmwareUpdate(Link& link, TCustomComPort& port, const FirmwareImage& image,
                               FirmwareReport& report)
    : link_(link), port_(port), image_(image), report_(report) {}

bool FirmwareUpdate::LinkEnded() const { return link_.Epoch() != epoch_ || !port_.Connected(); }

FirmwareUpdate::Outcome FirmwareUpdate::Run() {
  running_ = true;
  struct Done {
    bool& running;
    ~Done() { running = false; }
  } done{running_};
  epoch_ = link_.Epoch();
  link_.SendFrame(Cmd::Restart, QByteArray(FirmwareImage::RestartPayload));
  QThread::msleep(BootPauseMs);
  // Whatever came before and during the pause answers no block: take it in and forget it.
  QCoreApplication::processEvents();
  link_.LastRxChar = Link::NoRxChar;

  for (int n = 0; n < image_.BlockCount(); ++n) {
    int sends = 1;
    link_.SendFrame(Cmd::FirmwareBlock, image_.BlockPayload(n));
    switch (WaitForAck(n, sends)) {
      case Ack::Stopped:
        return Outcome::Stopped;
      case Ack::Missing:
        report_.ReportNoAcknowledgement();
        return Outcome::NotAcknowledged;
      case Ack::Received:
        break;
    }
    // A block sent again may be acknowledged twice: the second "!" belongs to this block, not
    // to the next one.
    if (sends > 1) TakeLateAcknowledgements(sends - 1);
    link_.LastRxChar = Link::NoRxChar;
    report_.ShowProgress(image_.ProgressAfter(n));
    QCoreApplication::processEvents();
    if (stopRequested_ || LinkEnded()) return Outcome::Stopped;
  }
  report_.ShowProgress(100);
  QThread::msleep(EndPauseMs);
  link_.SendFrame(Cmd::FirmwareEnd, QByteArray(FirmwareImage::EndPayload));
  report_.ReportCompleted();
  return Outcome::Completed;
}

FirmwareUpdate::Ack FirmwareUpdate::WaitForAck(int block, int& sends) {
  link_.ReplyCountdown = AckTicks;
  for (;;) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    // An acknowledgement counts even when the second ran out in the same pass.
    if (link_.LastRxChar == Cmd::FirmwareAck) return Ack::Received;
    if (stopRequested_ || LinkEnded()) return Ack::Stopped;
    if (link_.ReplyCountdown > 0) continue;
    if (resendsLeft_ == 0) return Ack::Missing;
    --resendsLeft_;
    ++sends;
    link_.SendFrame(Cmd::FirmwareBlock, image_.BlockPayload(block));
    link_.ReplyCountdown = AckTicks;
  }
}

// Waits up to one acknowledgement time for the further "!" of a block that went out `count`
// more times, so that none of them is taken for the next block's.
void FirmwareUpdate::TakeLateAcknowledgements(int count) {
  link_.LastRxChar = Link::NoRxChar;
  link_.ReplyCountdown = AckTicks;
  while (count > 0 && link_.ReplyCountdown > 0 && !stopRequested_ && !LinkEnded()) {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (link_.LastRxChar == Cmd::FirmwareAck) {
      --count;
      link_.LastRxChar = Link::NoRxChar;
    }
  }
}
