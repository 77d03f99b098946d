#include "status_csv.h"

#include <QDateTime>
#include <QStringList>

#include "status_history.h"

namespace {
QString Bit(bool set) { return set ? QStringLiteral("1") : QStringLiteral("0"); }
}  // namespace

QString IsoLocalTime(qint64 msSinceEpoch) {
  const QDateTime local = QDateTime::fromMSecsSinceEpoch(msSinceEpoch);
  return local.toOffsetFromUtc(local.offsetFromUtc()).toString(Qt::ISODate);
}

QString StatusCsv::Header() {
  return QStringLiteral(
      "time,signal_raw,signal_percent,in1,in2,in3,in4,in5,tamper,out1,out2,out3,events,stage_code,stage,"
      "sms_today,voice_today");
}

QString StatusCsv::Line(const StatusSample& sample) {
  const StatusReply reply = sample.Reply();
  QStringList fields{IsoLocalTime(sample.wallMs), QString::number(sample.RawLevel()),
                     sample.HasLevel() ? QString::number(SignalPercent(sample.RawLevel())) : QString()};
  for (bool input : reply.Inputs) fields << Bit(input);
  fields << Bit(reply.Tamper);
  for (bool output : reply.Outputs) fields << Bit(output);
  // The stage texts hold no comma or quote: they need no quoting.
  fields << QString::number(reply.Events) << QString::number(sample.StageCode()) << reply.StageText
         << QString::number(reply.SmsCount) << QString::number(reply.VoiceCount);
  return fields.join(u',');
}
