#include "status_report.h"

#include <QJsonArray>

#include "cli_error.h"
#include "commands.h"
#include "session.h"
#include "waits.h"

namespace {
QString Bits(const auto& bits, const char* prefix, int first = 1) {
  QStringList parts;
  for (size_t i = 0; i < bits.size(); ++i) parts.append(QStringLiteral("%1%2=%3").arg(QLatin1String(prefix)).arg(int(i) + first).arg(bits[i] ? 1 : 0));
  return parts.join(u' ');
}

QJsonArray JsonBits(const auto& bits) {
  QJsonArray array;
  for (bool b : bits) array.append(b);
  return array;
}

QString Stage(const StatusSnapshot& s) {
  return s.reply.StageText.isEmpty() ? QStringLiteral("(kod %1)").arg(s.stageCode) : s.reply.StageText;
}
}  // namespace

int StatusSnapshot::SignalGauge() const { return SignalOnScale(signalRaw); }

int StatusSnapshot::SignalPercent() const { return ::SignalPercent(signalRaw); }

QString StatusSnapshot::SignalText() const {
  return QStringLiteral("%1/%2 (%3%)").arg(SignalGauge()).arg(SignalScale).arg(SignalPercent());
}

StatusSnapshot PollStatus(Session& session) {
  Link& link = session.link();
  if (!link.SendFrameAndWait(Cmd::Status, QByteArrayLiteral("G"), Waits::ShortTicks))
    session.ThrowWaitFailure(QStringLiteral("stan sterownika"));
  const std::optional<StatusReply> reply = DecodeStatusReply(link.LastRxPayload);
  if (!reply) throw CliError(ExitStatus::Error, QStringLiteral("odpowiedź o stanie sterownika jest za krótka"));
  StatusSnapshot snapshot;
  snapshot.reply = *reply;
  snapshot.payload = link.LastRxPayload.left(StatusReplySize);
  snapshot.stageCode = quint8(link.LastRxPayload.at(2));
  snapshot.signalRaw = quint8(link.LastRxPayload.at(3));
  snapshot.firmware = session.FirmwareCaption();
  return snapshot;
}

QJsonObject StatusJson(const StatusSnapshot& s) {
  return QJsonObject{
      {QStringLiteral("firmware"), s.firmware},
      {QStringLiteral("stage"), s.reply.StageText},
      {QStringLiteral("stage_code"), s.stageCode},
      {QStringLiteral("signal"), s.SignalGauge()},
      {QStringLiteral("signal_percent"), s.SignalPercent()},
      {QStringLiteral("signal_raw"), s.signalRaw},
      {QStringLiteral("inputs"), JsonBits(s.reply.Inputs)},
      {QStringLiteral("tamper"), s.reply.Tamper},
      {QStringLiteral("outputs"), JsonBits(s.reply.Outputs)},
      {QStringLiteral("events"), s.reply.Events},
      {QStringLiteral("sms_today"), s.reply.SmsCount},
      {QStringLiteral("voice_today"), s.reply.VoiceCount},
  };
}

QStringList StatusLines(const StatusSnapshot& s) {
  return {
      QStringLiteral("Firmware:          %1").arg(s.firmware.isEmpty() ? QStringLiteral("?") : s.firmware),
      QStringLiteral("Modem GSM:         %1").arg(Stage(s)),
      QStringLiteral("Sygnał GSM:        %1").arg(s.SignalText()),
      QStringLiteral("Wejścia:           %1 F=%2  (0: zwarte do masy)").arg(Bits(s.reply.Inputs, "IN")).arg(s.reply.Tamper ? 1 : 0),
      QStringLiteral("Wyjścia:           %1  (1: wyjście aktywne)").arg(Bits(s.reply.Outputs, "Out")),
      QStringLiteral("Zdarzenia:         %1").arg(s.reply.Events),
      QStringLiteral("SMS dzisiaj:       %1").arg(s.reply.SmsCount),
      QStringLiteral("Połączeń dzisiaj:  %1").arg(s.reply.VoiceCount),
  };
}

QString StatusLine(const StatusSnapshot& s) {
  return QStringLiteral("%1 | sygnał %2 | %3 F=%4 | %5 | zd %6 | SMS %7 | poł. %8")
      .arg(Stage(s), s.SignalText(), Bits(s.reply.Inputs, "IN"))
      .arg(s.reply.Tamper ? 1 : 0)
      .arg(Bits(s.reply.Outputs, "Out"))
      .arg(s.reply.Events)
      .arg(s.reply.SmsCount)
      .arg(s.reply.VoiceCount);
}
