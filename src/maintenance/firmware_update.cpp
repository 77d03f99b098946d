#include "firmware_update.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QThread>

#include "commands.h"
#include "comport.h"
#include "link.h"

FirmwareUpdate::FirmwareUpdate(Link& link, TCustomComPort& port, const FirmwareImage& image,
                               FirmwareReport& report, FirmwarePauses pauses)
    : link_(link), port_(port), image_(image), report_(report), pauses_(pauses) {
  wake_.setSingleShot(true);
  wake_.setTimerType(Qt::PreciseTimer);
}

bool FirmwareUpdate::Interrupted() const {
  return stopRequested_ || link_.Epoch() != epoch_ || !port_.Connected();
}

FirmwareUpdate::Outcome FirmwareUpdate::Run() {
  running_ = true;
  struct Done {
    bool& running;
    ~Done() { running = false; }
  } done{running_};
  epoch_ = link_.Epoch();
  link_.SendFrame(Cmd::Restart, QByteArray(FirmwareImage::RestartPayload));
  QThread::msleep(pauses_.bootMs);
  // A stop asked during the pause is seen here; a "!" that came meanwhile answers no block.
  QCoreApplication::processEvents();
  if (Interrupted()) return Outcome::Stopped;

  for (int n = 0; n < image_.BlockCount(); ++n) {
    switch (SendBlock(n)) {
      case Ack::Stopped:
        return Outcome::Stopped;
      case Ack::Missing:
        report_.ReportNoAcknowledgement();
        return Outcome::NotAcknowledged;
      case Ack::Received:
        break;
    }
    report_.ShowProgress(image_.ProgressAfter(n));
    QCoreApplication::processEvents();
    if (Interrupted()) return Outcome::Stopped;
  }
  report_.ShowProgress(100);
  QThread::msleep(pauses_.endMs);
  link_.SendFrame(Cmd::FirmwareEnd, QByteArray(FirmwareImage::EndPayload));
  report_.ReportCompleted();
  return Outcome::Completed;
}

qint64 FirmwareUpdate::Transmit(int block) {
  link_.SendFrame(Cmd::FirmwareBlock, image_.BlockPayload(block));
  return link_.LastFrameOnWireNs;
}

FirmwareUpdate::Ack FirmwareUpdate::SendBlock(int block) {
  qint64 onWire = Transmit(block);
  int sends = 1;
  for (;;) {
    const Wait wait = WaitForAck(onWire, true);
    if (wait == Wait::Stopped) return Ack::Stopped;
    if (wait == Wait::Acknowledged) break;
    if (resendsLeft_ == 0) return Ack::Missing;
    --resendsLeft_;
    ++sends;
    onWire = Transmit(block);
  }
  // Each transmission of a block may be acknowledged: the next block goes out only when the
  // last one's window is over, and the further "!" that come meanwhile are not its own.
  if (sends > 1 && WaitForAck(onWire, false) == Wait::Stopped) return Ack::Stopped;
  return Ack::Received;
}

// Until the window of a block on the wire at `onWireNs` is over. Every "!" is taken in; one
// received once the block is on the wire ends the wait when `endsOnAck`, even in the pass in
// which the window ran out.
FirmwareUpdate::Wait FirmwareUpdate::WaitForAck(qint64 onWireNs, bool endsOnAck) {
  const qint64 endNs = onWireNs + AckWindowNs;
  for (;;) {
    const qint64 now = MonotonicNs();
    const qint64 next = now < onWireNs ? onWireNs : endNs;
    wake_.start(int(qBound<qint64>(1, (next - now + 999'999) / 1'000'000, AckWindowNs / 1'000'000)));
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    if (link_.LastRxChar == Cmd::FirmwareAck) {
      link_.LastRxChar = Link::NoRxChar;
      if (endsOnAck && link_.LastRxCharNs >= onWireNs) return Wait::Acknowledged;
    }
    if (Interrupted()) return Wait::Stopped;
    if (MonotonicNs() >= endNs) return Wait::WindowOver;
  }
}
