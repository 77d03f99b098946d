#pragma once
// The six status bytes of a running controller, moving as a real one's do: after a (re)start
// the modem climbs through its start-up stages, the signal level is known once the modem has
// registered and then wanders, inputs and the tamper contact change now and then, events wait
// to be handled, and the day's SMS and voice counters grow.
#include <QByteArray>
#include <optional>
#include <random>

#include "controller_state.h"
#include "sim_clock.h"

class StatusModel {
 public:
  // stageStepMs: time per modem stage (0: registered at once); seed: the changes are
  // pseudo-random but repeatable.
  StatusModel(int stageStepMs, quint32 seed);

  void Restart(SimTime now);  // the modem starts again from stage 0

  // Status bytes that replace the moving ones (a test that wants a known display), or none.
  void SetFixed(std::optional<QByteArray> status) { fixed = std::move(status); }

  // The payload of the next status reply. May add to the counters in state; says so in
  // countersChanged.
  QByteArray Poll(SimTime now, ControllerState& state, bool* countersChanged);

 private:
  bool Chance(int oneIn) { return std::uniform_int_distribution<int>(1, oneIn)(random) == 1; }

  static constexpr int RegisteredStage = 19;
  static constexpr int FirstStageWithLevel = 17;  // the stage that reads the signal level
  static constexpr quint8 NoLevel = 99;

  int stageStepMs;
  std::mt19937 random;
  SimTime started{};
  std::optional<QByteArray> fixed;
  quint8 inputs = 0x1F;  // IN1..IN5 as bits 0..4
  bool tamper = true;    // contact closed
  quint8 events = 0;
  int level = 18;
};
