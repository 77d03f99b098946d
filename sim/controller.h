#pragma once
// The controller's side of the protocol: what a healthy controller does with each request,
// in normal operation and in its bootloader. Faults that change the controller's own decisions
// (a rejected login, a missing block acknowledgement, a value stored other than written) are
// applied here; those that only spoil the way an answer travels are the line's business.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "controller_state.h"
#include "faults.h"
#include "request_parser.h"
#include "status_model.h"

struct ControllerSettings {
  char version = DefaultVersion;
  int stageStepMs = 300;          // modem start-up: time per stage
  int bootloaderQuietMs = 5000;   // the bootloader gives up after this long without a block
  quint32 seed = 1;
};

struct Answer {
  enum class Kind { None, Frame, Ack } kind = Kind::None;
  QByteArray bytes;           // the reply frame, or the acknowledgement byte (alone unless a fault adds noise)
  bool stateChanged = false;  // memory to be saved
  QString note;               // what happened beyond the answer, for the trace
};

class Controller {
 public:
  Controller(const ControllerSettings& settings, const ControllerState& state, SimTime now);

  // The firmware starts: normal protocol, the modem from stage 0.
  void PowerOn(SimTime now);
  Answer Handle(const Request& request, SimTime now, Faults& faults);

  bool InBootloader() const { return bootloaderUntil.has_value(); }
  // When the bootloader gives up waiting for a block, while it runs.
  std::optional<SimTime> BootloaderDeadline() const { return bootloaderUntil; }
  // Leaves the bootloader if its deadline has passed; returns a note for the trace.
  QString Expire(SimTime now);

  // The image bytes of the blocks received since the last restart, in block order.
  QByteArray ReceivedFirmware() const;

  const ControllerState& State() const { return state; }
  void SetState(const ControllerState& s) { state = s; }
  void SetFixedStatus(std::optional<QByteArray> status) { status_.SetFixed(std::move(status)); }

 private:
  Answer Normal(const Request& request, SimTime now, Faults& faults);
  Answer Bootloader(const Request& request, SimTime now, Faults& faults);

  ControllerSettings settings;
  ControllerState state;
  StatusModel status_;
  std::optional<SimTime> bootloaderUntil;
  struct Block {
    quint8 number;
    QByteArray data;
  };
  QList<Block> firmware;
};
