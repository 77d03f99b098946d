#pragma once
// The configuration record bound to the window's controls: each item encoded from them for a
// write, each read reply put into them, and the colours that show what is in step.
//
// A value set from a reply goes through the control's own change reaction (only when it
// differs), and then the control takes its item's in-step colour.
#include <QByteArray>
#include <QColor>

#include "config_controls.h"
#include "config_record.h"
#include "packings.h"

class ConfigBinding {
 public:
  ConfigBinding(Ui::TMain& ui, const ConfigControls& controls);

  // Raises EConvertError, naming the field, when a time or limit does not convert.
  QByteArray EncodeConfigItem(int k) const;
  // Every item; raises like EncodeConfigItem.
  ConfigRecord EncodeRecord() const;
  // False when the reply holds too few bytes for its item: nothing is set, and the item's
  // controls take the edited colour.
  bool ApplyConfigReply(quint8 command, const QByteArray& payload);
  void MarkItemInStep(int k);

  QByteArray EncodeInputMatrix() const;
  void DecodeInputMatrix(QByteArrayView bytes);
  quint8 EncodeOutputFlags() const;
  void DecodeOutputFlags(quint8 byte);
  void ResetMatrixColours();
  void ShowInputModeColours();

  // A value put into the window as a reply or a file brings it: raises the change reactions of
  // what differs, nothing else.
  void SetItemValue(int k, const QByteArray& value);
  OptionFlags Options() const;
  void SetOptions(const OptionFlags& options);
  OutputFlags Outputs() const;
  void SetOutputs(const OutputFlags& outputs);

  // The window's captions of the controls of item k.
  QString CaptionOf(int k) const;
  // A readable value (field_rules.h) of item k in the window's words: no box ticked is "brak",
  // the input matrix reads "IN1: SMS 1 2, Voice 3; IN4: Voice 1".
  QString WordsOf(int k, const QString& readable) const;
  // The colour of a control of item k when in step.
  QColor InStepColour(int k) const;

 private:
  int NumberOf(const QLineEdit* field) const;

  Ui::TMain& ui_;
  const ConfigControls& c_;
};

// Sets a field's text only when it differs, so that an equal value raises no change.
void SetFieldText(QLineEdit* field, const QString& text);
