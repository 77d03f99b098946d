#pragma once
// The bootloader exchange: the restart request, a pause while the controller enters its
// bootloader, each block waiting for a lone "!", then the end request. The link's owner keeps
// its 100 ms timer running, which counts the waits.
#include <QtGlobal>

#include "firmware_image.h"

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

class FirmwareUpdate {
 public:
  enum class Outcome { Completed, NotAcknowledged, Stopped };
  static constexpr int ResendBudget = 2;  // for the whole transfer, not per block
  static constexpr quint16 AckTicks = 10;
  static constexpr int BootPauseMs = 2000;
  static constexpr int EndPauseMs = 2000;

  FirmwareUpdate(Link& link, TCustomComPort& port, const FirmwareImage& image, FirmwareReport& report);

  Outcome Run();
  // Asked for while a block waits (the dialog is being closed): no further frame is sent.
  void Stop() { stopRequested_ = true; }
  bool Running() const { return running_; }

 private:
  enum class Ack { Received, Missing, Stopped };
  Ack WaitForAck(int block, int& sends);
  void TakeLateAcknowledgements(int count);
  bool LinkEnded() const;

  Link& link_;
  TCustomComPort& port_;
  const FirmwareImage& image_;
  FirmwareReport& report_;
  quint64 epoch_ = 0;
  int resendsLeft_ = ResendBudget;
  bool stopRequested_ = false;
  bool running_ = false;
};
