#pragma once
// The bootloader exchange: the restart request, a pause while the controller enters its
// bootloader, each block waiting for a lone "!", then the end request.
//
// A block's second for its "!" counts from when the block's last byte is on the wire, not from
// when it was queued: at 1200 bit/s a block alone takes 575 ms on the line. A "!" that comes
// before that moment cannot be the block's own and acknowledges nothing.
#include <QTimer>
#include <QtGlobal>

#include "firmware_image.h"
#include "waits.h"

class Link;
class TCustomComPort;

// What the user is told of an update.
class FirmwareReport {
 public:
  virtual void ShowProgress(int percent) = 0;
  // No acknowledgement even after the resends: the update failed.
  virtual void ReportNoAcknowledgement() = 0;
  virtual void ReportCompleted() = 0;

 protected:
  ~FirmwareReport() = default;
};

// The pauses that the bootloader needs; only tests of the acknowledgements shorten them.
struct FirmwarePauses {
  int bootMs = 2000;  // after the restart request, before block 0
  int endMs = 2000;   // after the last block, before the end request
};

class FirmwareUpdate {
 public:
  enum class Outcome { Completed, NotAcknowledged, Stopped };
  static constexpr int ResendBudget = 2;  // for the whole transfer, not per block
  static constexpr quint16 AckTicks = 10;
  static constexpr qint64 AckWindowNs = qint64(AckTicks) * Waits::TickMs * 1'000'000;
  FirmwareUpdate(Link& link, TCustomComPort& port, const FirmwareImage& image, FirmwareReport& report,
                 FirmwarePauses pauses = {});

  Outcome Run();
  // Asked for while a block waits or during the pause before the first (the dialog is being
  // closed, Ctrl-C): no further block is sent.
  void Stop() { stopRequested_ = true; }
  bool Running() const { return running_; }

 private:
  enum class Ack { Received, Missing, Stopped };
  enum class Wait { Acknowledged, WindowOver, Stopped };
  Ack SendBlock(int block);
  qint64 Transmit(int block);  // returns when the block is on the wire
  Wait WaitForAck(qint64 onWireNs, bool endsOnAck);
  bool Interrupted() const;

  Link& link_;
  TCustomComPort& port_;
  const FirmwareImage& image_;
  FirmwareReport& report_;
  const FirmwarePauses pauses_;
  QTimer wake_;  // wakes a wait at the moments it watches for
  quint64 epoch_ = 0;
  int resendsLeft_ = ResendBudget;
  bool stopRequested_ = false;
  bool running_ = false;
};
