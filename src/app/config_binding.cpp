#include "config_binding.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

#include "colours.h"
#include "convert_error.h"
#include "cp1250.h"
#include "field_rules.h"
#include "operator_presets.h"
#include "ui_tmain.h"

namespace {
void SetChecked(QCheckBox* box, bool on) {
  if (box->isChecked() != on) box->setChecked(on);
}

QString FieldName(const QLineEdit* field) { return field->objectName(); }
}  // namespace

void SetFieldText(QLineEdit* field, const QString& text) {
  if (field->text() != text) field->setText(text);
}

ConfigBinding::ConfigBinding(Ui::TMain& ui, const ConfigControls& controls) : ui_(ui), c_(controls) {}

int ConfigBinding::NumberOf(const QLineEdit* field) const {
  const std::optional<int> value = FieldRules::ToInteger(field->text());
  if (!value) {
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value (%2)")
                            .arg(field->text(), FieldName(field))
                            .toStdString());
  }
  return *value;
}

QByteArray ConfigBinding::EncodeConfigItem(int k) const {
  switch (k) {
    case ItemIndex::InputMatrix: return EncodeInputMatrix();
    case ItemIndex::OutputFlags: return QByteArray(1, char(EncodeOutputFlags()));
    case ItemIndex::OutputTimes: {
      QByteArray bytes;
      for (const QLineEdit* time : c_.times) bytes.append(char(quint8(NumberOf(time))));
      return bytes;
    }
    case ItemIndex::LimitSms: return QByteArray(1, char(quint8(NumberOf(c_.limitSms))));
    case ItemIndex::LimitVoice: return QByteArray(1, char(quint8(NumberOf(c_.limitVoice))));
    case ItemIndex::Options: return QByteArray(1, char(PackOptionFlags(Options())));
    default: {
      const QLineEdit* field = c_.text.at(size_t(k));
      const std::optional<QByteArray> bytes = Cp1250::Encode(field->text());
      // The fields refuse such characters; a text that got in anyway is not altered silently.
      if (!bytes) {
        throw EConvertError(QStringLiteral("'%1' holds a character that Windows-1250 cannot carry (%2)")
                                .arg(field->text(), FieldName(field))
                                .toStdString());
      }
      return *bytes;
    }
  }
}

ConfigRecord ConfigBinding::EncodeRecord() const {
  ConfigRecord record;
  for (int k = 0; k < Cmd::ItemCount; ++k) record.setValue(k, EncodeConfigItem(k));
  return record;
}

QByteArray ConfigBinding::EncodeInputMatrix() const {
  InputMatrix matrix;
  for (int n = 0; n < InputMatrix::Bits; ++n) matrix.bits[size_t(n)] = c_.matrix[size_t(n)]->isChecked();
  return PackInputMatrix(matrix);
}

void ConfigBinding::DecodeInputMatrix(QByteArrayView bytes) {
  const InputMatrix matrix = UnpackInputMatrix(bytes);
  for (int n = 0; n < InputMatrix::Bits; ++n) SetChecked(c_.matrix[size_t(n)], matrix.bits[size_t(n)]);
}

OutputFlags ConfigBinding::Outputs() const {
  OutputFlags flags;
  for (size_t i = 0; i < 3; ++i) {
    flags.nc[i] = c_.outputNc[i]->isChecked();
    flags.mono[i] = c_.outputMono[i]->isChecked();
  }
  return flags;
}

void ConfigBinding::SetOutputs(const OutputFlags& flags) {
  for (size_t i = 0; i < 3; ++i) {
    SetChecked(c_.outputNc[i], flags.nc[i]);
    SetChecked(c_.outputMono[i], flags.mono[i]);
  }
}

quint8 ConfigBinding::EncodeOutputFlags() const { return PackOutputFlags(Outputs()); }
void ConfigBinding::DecodeOutputFlags(quint8 byte) { SetOutputs(UnpackOutputFlags(byte)); }

OptionFlags ConfigBinding::Options() const {
  return {c_.potw->isChecked(), c_.autotest->isChecked(), c_.in1blok->isChecked(), c_.out1sygn->isChecked()};
}

// In this order, each box's own reaction running before the next is set: the mini alarm-panel
// box clears the alarm-signal box, which then takes its own bit.
void ConfigBinding::SetOptions(const OptionFlags& options) {
  SetChecked(c_.potw, options.potw);
  SetChecked(c_.autotest, options.autotest);
  SetChecked(c_.in1blok, options.in1blok);
  SetChecked(c_.out1sygn, options.out1sygn);
}

void ConfigBinding::SetItemValue(int k, const QByteArray& value) {
  switch (k) {
    case ItemIndex::InputMatrix: DecodeInputMatrix(value); return;
    case ItemIndex::OutputFlags: DecodeOutputFlags(value.isEmpty() ? 0 : quint8(value.at(0))); return;
    case ItemIndex::OutputTimes: {
      const ::OutputTimes times = UnpackOutputTimes(value);
      for (size_t i = 0; i < 3; ++i) SetFieldText(c_.times[i], QString::number(times.seconds[i]));
      return;
    }
    case ItemIndex::LimitSms: SetFieldText(c_.limitSms, QString::number(value.isEmpty() ? 0 : quint8(value.at(0)))); return;
    case ItemIndex::LimitVoice: SetFieldText(c_.limitVoice, QString::number(value.isEmpty() ? 0 : quint8(value.at(0)))); return;
    case ItemIndex::Options: SetOptions(UnpackOptionFlags(value)); return;
    default: SetFieldText(c_.text.at(size_t(k)), Cp1250::Decode(TextOfValue(value)));
  }
}

bool ConfigBinding::ApplyConfigReply(quint8 command, const QByteArray& payload) {
  const ConfigItem* item = ConfigItemOfCommand(command);
  if (!item) return true;
  const int k = item->index;
  // A fixed-size value that came short is not guessed at: the item keeps its values, and what
  // the controller holds is not known, so its controls do not show it in step.
  if (!item->isText() && payload.size() < item->size) {
    for (QWidget* control : c_.Of(k)) SetBackground(control, Colours::Edited);
    return false;
  }
  if (k == ItemIndex::Options) {
    // Each box takes its in-step colour before the next is set.
    const OptionFlags options = UnpackOptionFlags(payload);
    const std::array<bool, 4> bits{options.potw, options.autotest, options.in1blok, options.out1sygn};
    const std::array<QCheckBox*, 4> boxes = c_.options();
    for (size_t i = 0; i < boxes.size(); ++i) {
      SetChecked(boxes[i], bits[i]);
      SetBackground(boxes[i], InStepColour(k));
    }
    return true;
  }
  SetItemValue(k, payload);
  if (k == ItemIndex::SmsCentre) ui_.Combo_operator->setCurrentIndex(OperatorPresets::EntryOfReply(payload));
  MarkItemInStep(k);
  return true;
}

QString ConfigBinding::CaptionOf(int k) const {
  using namespace ItemIndex;
  const QString comma = QStringLiteral(", ");
  const std::array<const QLabel*, 4> phones{ui_.LabelTel1, ui_.LabelTel2, ui_.LabelTel3, ui_.LabelTel4};
  const std::array<const QLabel*, 5> inputs{ui_.LabelWej1, ui_.LabelWej2, ui_.LabelWej3, ui_.LabelWej4, ui_.LabelWej5};
  // The output words by item: the output's column and the row of the word.
  const std::array<std::pair<const QLabel*, const QLabel*>, 6> words{
      {{ui_.LabelKolOut1, ui_.LabelWierszZal}, {ui_.LabelKolOut2, ui_.LabelWierszZal}, {ui_.LabelKolOut1, ui_.LabelWierszWyl},
       {ui_.LabelKolOut2, ui_.LabelWierszWyl}, {ui_.LabelKolOut3, ui_.LabelWierszZal}, {ui_.LabelKolOut3, ui_.LabelWierszWyl}}};
  if (k == Pin) return ui_.LabelPin->text();
  if (k == SmsCentre) return ui_.LabelCentrum->text();
  if (k >= Phone1 && k < Phone1 + 4) return phones[size_t(k - Phone1)]->text();
  if (k >= In1OffText && k < In1OffText + 5) return inputs[size_t(k - In1OffText)]->text() + comma + ui_.LabelWejWyl->text();
  if (k >= In1OnText && k < In1OnText + 5) return inputs[size_t(k - In1OnText)]->text() + comma + ui_.LabelWejZal->text();
  if (k >= Out1OnWord && k <= Out3OffWord) {
    const auto& [output, row] = words[size_t(k - Out1OnWord)];
    return output->text() + comma + row->text();
  }
  switch (k) {
    case ItemIndex::InputMatrix: return ui_.LabelTabelaT->text() + comma + ui_.LabelTabelaS->text();
    case ItemIndex::OutputFlags: return ui_.LabelWierszNC->text() + comma + ui_.LabelWierszMono->text();
    case ItemIndex::OutputTimes: return ui_.LabelWierszCzas->text();
    case LimitSms: return ui_.LabelLimitSMS->text();
    case LimitVoice: return ui_.LabelLimitVoice->text();
    case ConfirmText: return c_.text[size_t(k)]->toolTip();
    default: {
      QStringList captions;
      for (const QCheckBox* box : c_.options()) captions << box->text();
      return captions.join(comma);
    }
  }
}

QString ConfigBinding::WordsOf(int k, const QString& readable) const {
  if (readable == FieldRules::NoBoxes) return QStringLiteral("brak");
  QString error;
  const std::optional<QByteArray> value = k == ItemIndex::InputMatrix
                                              ? FieldRules::ParseItemValue(ConfigItems[size_t(k)], readable, &error)
                                              : std::nullopt;
  if (!value) return readable;
  const InputMatrix matrix = UnpackInputMatrix(*value);
  const std::array<const QLabel*, 5> inputs{ui_.LabelMatrixIN1, ui_.LabelMatrixIN2, ui_.LabelMatrixIN3,
                                            ui_.LabelMatrixIN4, ui_.LabelMatrixIN5};
  QStringList shown;
  for (int input = 1; input <= 5; ++input) {
    QStringList kinds;
    for (const auto& [label, bit] : {std::pair{ui_.LabelTabelaT, &InputMatrix::SmsBit},
                                     std::pair{ui_.LabelTabelaS, &InputMatrix::VoiceBit}}) {
      QStringList phones;
      for (int phone = 1; phone <= 4; ++phone)
        if (matrix.bits[size_t(bit(input, phone))]) phones << QString::number(phone);
      if (!phones.isEmpty()) kinds << label->text() + u' ' + phones.join(u' ');
    }
    if (!kinds.isEmpty()) shown << inputs[size_t(input - 1)]->text() + QStringLiteral(": ") + kinds.join(QStringLiteral(", "));
  }
  return shown.join(QStringLiteral("; "));
}

QColor ConfigBinding::InStepColour(int k) const {
  using namespace ItemIndex;
  const bool mini = c_.in1blok->isChecked();
  if (k <= Phone1 + 3 || k == LimitSms || k == LimitVoice) return Colours::PaleYellow;
  if (k == In1OffText || k == Out1OffWord || k == Out2OffWord || k == Out3OffWord) return Colours::PaleGreen;
  if (k == In1OnText || k == Out1OnWord || k == Out2OnWord || k == Out3OnWord) return Colours::PaleOrange;
  if (k > In1OffText && k < In1OnText) return mini ? Colours::PaleOrange : Colours::PaleGreen;
  if (k > In1OnText && k <= In1OnText + 4) return mini ? Colours::PaleGreen : Colours::PaleOrange;
  return Colours::WindowColour();
}

void ConfigBinding::MarkItemInStep(int k) {
  const QColor colour = InStepColour(k);
  for (QWidget* control : c_.Of(k)) SetBackground(control, colour);
}

void ConfigBinding::ResetMatrixColours() { MarkItemInStep(ItemIndex::InputMatrix); }

void ConfigBinding::ShowInputModeColours() {
  for (int k = ItemIndex::In1OffText + 1; k <= ItemIndex::In1OnText + 4; ++k)
    if (k != ItemIndex::In1OnText) MarkItemInStep(k);
}
