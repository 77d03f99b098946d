#include "controller.h"

#include <algorithm>

#include "frame.h"

namespace {

constexpr char Accepted = 'T';
constexpr char Rejected = 'N';
constexpr char Done[] = "K";  // payload of replies that only confirm
// Blocks kept for ReceivedFirmware: 64 KiB, far beyond any image, so that a runaway sender
// cannot fill the memory.
constexpr int MaxFirmwareBlocks = 1024;
// Follows an acknowledgement as noise: neither "!" nor a reply start byte.
constexpr char NoiseAfterAck = char(0xA5);

Answer ReplyWith(quint8 command, const QByteArray& payload) {
  Answer a;
  a.kind = Answer::Kind::Frame;
  a.bytes = Frame::Reply(command, payload);
  return a;
}

Answer Acknowledgement() {
  Answer a;
  a.kind = Answer::Kind::Ack;
  a.bytes = QByteArray(1, Cmd::FirmwareAck);
  return a;
}

Answer NoAnswer(const QString& note) {
  Answer a;
  a.note = note;
  return a;
}

// A stored value that differs from the one written, in no more room: the last byte one higher,
// or one byte where there was none.
QByteArray Altered(QByteArray value) {
  if (value.isEmpty()) return "#";
  value.back() = char(quint8(value.back()) + 1);
  return value;
}

}  // namespace

Controller::Controller(const ControllerSettings& settings, const ControllerState& state, SimTime now)
    : settings(settings), state(state), status_(settings.stageStepMs, settings.seed) {
  PowerOn(now);
}

void Controller::PowerOn(SimTime now) {
  bootloaderUntil.reset();
  status_.Restart(now);
}

Answer Controller::Handle(const Request& request, SimTime now, Faults& faults) {
  return InBootloader() ? Bootloader(request, now, faults) : Normal(request, now, faults);
}

Answer Controller::Normal(const Request& r, SimTime now, Faults& faults) {
  const quint8 c = r.command;
  if (c == Cmd::Login) {
    const bool ok = r.payload == state.password && !faults.WrongPassword();
    return ReplyWith(c, QByteArray(1, ok ? Accepted : Rejected) + settings.version);
  }
  if (c == Cmd::Logout) return ReplyWith(c, "W");
  if (c == Cmd::PasswordChange) {
    state.password = r.payload;
    Answer a = ReplyWith(c, Done);
    a.stateChanged = true;
    return a;
  }
  if (Cmd::IsReadItem(c)) {
    const int k = Cmd::ItemOfCommand(c);
    const QByteArray value = ReadReplyValue(k, state.items[k]);
    if (!faults.ShortRead(c)) return ReplyWith(c, value);
    Answer a = ReplyWith(c, value.chopped(std::min<qsizetype>(1, value.size())));
    a.note = QStringLiteral("item %1 answered without its last byte (fault)").arg(k);
    return a;
  }
  if (Cmd::IsWriteItem(c)) {
    const int k = Cmd::ItemOfCommand(c);
    state.items[k] = StoredItemValue(k, r.payload);
    Answer a = ReplyWith(c, Done);
    a.stateChanged = true;
    if (state.items[k].size() < r.payload.size())
      a.note = QStringLiteral("item %1 keeps only %2 of the %3 bytes written").arg(k).arg(state.items[k].size()).arg(r.payload.size());
    if (faults.AlterWrite(c)) {
      state.items[k] = Altered(state.items[k]);
      a.note = QStringLiteral("item %1 stored as %2 (fault)").arg(k).arg(QString::fromLatin1(state.items[k].toHex(' ')));
    }
    return a;
  }
  if (c == Cmd::Status) {
    bool changed = false;
    Answer a = ReplyWith(c, status_.Poll(now, state, &changed));
    a.stateChanged = changed;
    return a;
  }
  if (c == Cmd::ResetCounters) {
    state.smsToday = state.voiceToday = 0;
    Answer a = ReplyWith(c, Done);
    a.stateChanged = true;
    return a;
  }
  if (c == Cmd::Restart) {
    bootloaderUntil = now + std::chrono::milliseconds(settings.bootloaderQuietMs);
    firmware.clear();
    Answer a = NoAnswer(QStringLiteral("restart: bootloader waits for firmware blocks"));
    if (const std::optional<int> ms = faults.StrayAck()) {
      a = Acknowledgement();
      a.note = QStringLiteral("restart: bootloader waits for firmware blocks; a stray \"!\" in %1 ms (fault)").arg(*ms);
    }
    return a;
  }
  return NoAnswer(QStringLiteral("unknown command %1, no answer").arg(c));
}

Answer Controller::Bootloader(const Request& r, SimTime now, Faults& faults) {
  if (r.command == Cmd::FirmwareBlock && !r.payload.isEmpty()) {
    bootloaderUntil = now + std::chrono::milliseconds(settings.bootloaderQuietMs);
    const quint8 block = quint8(r.payload[0]);
    // A block sent again replaces its earlier copy.
    if (!firmware.isEmpty() && firmware.back().number == block) firmware.removeLast();
    if (firmware.size() < MaxFirmwareBlocks) firmware.append({block, r.payload.mid(1)});
    if (faults.SkipAck(block)) return NoAnswer(QStringLiteral("block %1 not acknowledged (fault)").arg(block));
    Answer a = Acknowledgement();
    if (faults.NoisyAck(block)) {
      a.bytes += NoiseAfterAck;
      a.note = QStringLiteral("block %1 acknowledged with a noise byte (fault)").arg(block);
    }
    if (const int late = faults.LateAck(block))
      a.note = QStringLiteral("block %1 acknowledged %2 ms late (fault)").arg(block).arg(late);
    return a;
  }
  if (r.command == Cmd::FirmwareEnd) {
    PowerOn(now);
    return NoAnswer(QStringLiteral("end of firmware: controller starts"));
  }
  return NoAnswer(QStringLiteral("bootloader ignores command %1").arg(r.command));
}

QByteArray Controller::ReceivedFirmware() const {
  QByteArray image;
  for (const Block& b : firmware) image += b.data;
  return image;
}

QString Controller::Expire(SimTime now) {
  if (!bootloaderUntil || now < *bootloaderUntil) return {};
  PowerOn(now);
  return QStringLiteral("bootloader: no block for %1 ms, controller starts").arg(settings.bootloaderQuietMs);
}
