#include "item_words.h"

#include <QStringList>
#include <array>

#include "config_record.h"
#include "cp1250.h"
#include "packings.h"
#include "window_captions.h"

namespace ItemWords {
namespace {

using namespace WindowCaptions;

QString Joined(const WindowCaption& a, const WindowCaption& b) { return a.Text() + QStringLiteral(", ") + b.Text(); }

// The output word items in item order: the output's column and the row of the word.
constexpr std::array<std::pair<int, bool>, 6> OutputWords{{{0, true}, {1, true}, {0, false}, {1, false}, {2, true}, {2, false}}};

QString MatrixWords(const InputMatrix& matrix) {
  QStringList inputs;
  for (int input = 1; input <= 5; ++input) {
    QStringList kinds;
    for (const auto& [table, bit] : {std::pair{SmsTable, &InputMatrix::SmsBit}, std::pair{VoiceTable, &InputMatrix::VoiceBit}}) {
      QStringList phones;
      for (int phone = 1; phone <= 4; ++phone)
        if (matrix.bits[size_t(bit(input, phone))]) phones << PhoneColumns[size_t(phone - 1)].Text();
      if (!phones.isEmpty()) kinds << table.Text() + u' ' + phones.join(u' ');
    }
    if (!kinds.isEmpty()) inputs << Inputs[size_t(input - 1)].Text() + QStringLiteral(": ") + kinds.join(QStringLiteral(", "));
  }
  return inputs.isEmpty() ? QStringLiteral("brak") : inputs.join(QStringLiteral("; "));
}

QString OutputWordsOf(const OutputFlags& flags) {
  QStringList outputs;
  for (size_t o = 0; o < 3; ++o)
    outputs << QStringLiteral("%1: %2, %3").arg(Outputs[o].Text(), Contact(flags.nc[o]), Mode(flags.mono[o]));
  return outputs.join(QStringLiteral("; "));
}

QString OptionWords(const OptionFlags& flags) {
  QStringList ticked;
  for (const auto& [on, caption] : {std::pair{flags.potw, Confirm}, std::pair{flags.autotest, Autotest},
                                    std::pair{flags.in1blok, MiniPanel}, std::pair{flags.out1sygn, Out1Alarm}})
    if (on) ticked << caption.Text();
  return ticked.isEmpty() ? QStringLiteral("brak") : ticked.join(QStringLiteral(", "));
}

}  // namespace

QString Caption(int k) {
  namespace I = ItemIndex;
  if (k == I::Pin) return Pin.Text();
  if (k == I::SmsCentre) return SmsCentre.Text();
  if (k >= I::Phone1 && k < I::Phone1 + 4) return Phones[size_t(k - I::Phone1)].Text();
  if (k >= I::In1OffText && k < I::In1OffText + 5) return Joined(Inputs[size_t(k - I::In1OffText)], InputOff);
  if (k >= I::In1OnText && k < I::In1OnText + 5) return Joined(Inputs[size_t(k - I::In1OnText)], InputOn);
  if (k >= I::Out1OnWord && k <= I::Out3OffWord) {
    const auto& [output, on] = OutputWords[size_t(k - I::Out1OnWord)];
    return Joined(Outputs[size_t(output)], on ? OnRow : OffRow);
  }
  switch (k) {
    case I::InputMatrix: return Joined(SmsTable, VoiceTable);
    case I::OutputFlags: return Joined(ContactRow, ModeRow);
    case I::OutputTimes: return TimeRow.Text();
    case I::LimitSms: return LimitSms.Text();
    case I::LimitVoice: return LimitVoice.Text();
    case I::ConfirmText: return ConfirmText.Text();
    default: return QStringList{Confirm.Text(), Autotest.Text(), MiniPanel.Text(), Out1Alarm.Text()}.join(QStringLiteral(", "));
  }
}

QString Value(int k, const QByteArray& value, bool revealSecrets) {
  switch (k) {
    case ItemIndex::Pin: return Secret(value, revealSecrets);
    case ItemIndex::InputMatrix: return MatrixWords(UnpackInputMatrix(value));
    case ItemIndex::OutputFlags: return OutputWordsOf(UnpackOutputFlags(QByteArrayView(value)));
    case ItemIndex::Options: return OptionWords(UnpackOptionFlags(QByteArrayView(value)));
    case ItemIndex::OutputTimes: {
      const OutputTimes times = UnpackOutputTimes(value);
      return QStringLiteral("%1, %2, %3").arg(times.seconds[0]).arg(times.seconds[1]).arg(times.seconds[2]);
    }
    case ItemIndex::LimitSms:
    case ItemIndex::LimitVoice: return QString::number(value.isEmpty() ? 0 : quint8(value.front()));
    default: return Text(value);
  }
}

QString Text(const QByteArray& value) {
  const QString text = Cp1250::Decode(TextOfValue(value));
  return text.isEmpty() ? Empty.toString() : text;
}

QString Secret(const QByteArray& value, bool reveal) { return reveal ? Text(value) : Hidden.toString(); }
QString YesNo(bool ticked) { return ticked ? QStringLiteral("tak") : QStringLiteral("nie"); }
QString Contact(bool normallyClosed) { return normallyClosed ? QStringLiteral("NC") : QStringLiteral("NO"); }
QString Mode(bool monostable) { return monostable ? QStringLiteral("Mono") : QStringLiteral("bi"); }

}  // namespace ItemWords
