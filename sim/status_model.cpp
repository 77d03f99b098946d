#include "status_model.h"

#include <algorithm>

StatusModel::StatusModel(int stageStepMs, quint32 seed) : stageStepMs(stageStepMs), random(seed) {}

void StatusModel::Restart(SimTime now) { started = now; }

QByteArray StatusModel::Poll(SimTime now, ControllerState& state, bool* countersChanged) {
  *countersChanged = false;
  if (fixed) return *fixed;

  const auto elapsedMs = std::chrono::duration_cast<std::chrono::milliseconds>(now - started).count();
  const int stage = stageStepMs <= 0 ? RegisteredStage
                                     : int(std::min<qint64>(RegisteredStage, elapsedMs / stageStepMs));
  if (Chance(6)) {
    inputs ^= quint8(1u << std::uniform_int_distribution<int>(0, 4)(random));
    events = quint8(std::min(127, events + 1));
  } else if (events > 0 && Chance(2)) {
    --events;
  }
  if (Chance(40)) tamper = !tamper;
  if (stage >= FirstStageWithLevel) level = std::clamp(level + std::uniform_int_distribution<int>(-2, 2)(random), 10, 25);
  if (stage == RegisteredStage) {
    if (Chance(12) && state.smsToday < 255) {
      ++state.smsToday;
      *countersChanged = true;
    }
    if (Chance(25) && state.voiceToday < 255) {
      ++state.voiceToday;
      *countersChanged = true;
    }
  }
  QByteArray status(6, '\0');
  status[0] = char(inputs);  // outputs (bits 5..7) stay inactive
  status[1] = char(events | (tamper ? 0x80 : 0));
  status[2] = char(stage);
  status[3] = char(stage >= FirstStageWithLevel ? level : NoLevel);
  status[4] = char(state.smsToday);
  status[5] = char(state.voiceToday);
  return status;
}
