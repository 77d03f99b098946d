#include "field_editing.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLineEdit>
#include <utility>

#include "colours.h"
#include "convert_error.h"
#include "field_rules.h"
#include "field_validator.h"
#include "operator_presets.h"
#include "ui_tmain.h"

namespace {
constexpr int NoLimit = 32767;  // Qt's own maximum; the validator restrains typing instead

bool ByUser(Qt::FocusReason reason) {
  return reason == Qt::MouseFocusReason || reason == Qt::TabFocusReason ||
         reason == Qt::BacktabFocusReason || reason == Qt::ShortcutFocusReason;
}
}  // namespace

FieldEditing::FieldEditing(Ui::TMain& ui, const ConfigControls& controls, ConfigBinding& binding,
                           std::function<void(const std::exception&)> onError)
    : QObject(ui.centralwidget), ui_(ui), c_(controls), binding_(binding), onError_(std::move(onError)) {
  Restrain(ui.Edit_haslo, KeySet::Digits, FieldRules::PasswordLength);
  for (const ConfigItem& item : AllConfigItems()) {
    if (QLineEdit* field = c_.text[size_t(item.index)]) Restrain(field, item.keys, item.size);
  }
  for (QLineEdit* field : c_.times) Restrain(field, KeySet::Digits, FieldRules::NumberDigits);
  Restrain(c_.limitSms, KeySet::Digits, FieldRules::NumberDigits);
  Restrain(c_.limitVoice, KeySet::Digits, FieldRules::NumberDigits);

  // Change reactions: every configuration field turns red when its text changes, by the user or
  // by a reply or a file (the password field never).
  QList<QLineEdit*> fields;
  for (QLineEdit* field : c_.text)
    if (field) fields << field;
  fields << c_.times[0] << c_.times[1] << c_.times[2] << c_.limitSms << c_.limitVoice;
  for (QLineEdit* field : fields)
    connect(field, &QLineEdit::textChanged, this, Guarded([this, field] { MarkEdited(field); }));

  // Leave rules.
  for (QLineEdit* field : {ui.Edit_haslo, c_.text[ItemIndex::Pin], c_.limitSms, c_.limitVoice, c_.times[0],
                           c_.times[1], c_.times[2]})
    field->installEventFilter(this);

  // Focus reactions: most boxes turn red when the user moves onto them, changed or not.
  for (QCheckBox* box : c_.matrix)
    if (box != ui.BoxIN4T1 && box != ui.BoxIN5T1) box->installEventFilter(this);
  for (QCheckBox* box : c_.outputNc) box->installEventFilter(this);
  for (QCheckBox* box : c_.outputMono) box->installEventFilter(this);
  c_.potw->installEventFilter(this);

  // Click reactions, also when a reply or a file changes the box.
  for (QCheckBox* box : {ui.BoxIN4T1, ui.BoxIN5T1, c_.autotest, c_.out1sygn})
    connect(box, &QCheckBox::toggled, this, Guarded([this, box] { MarkEdited(box); }));
  connect(c_.potw, &QCheckBox::toggled, this, Guarded([this] { BoxPotwClick(); }));
  connect(c_.in1blok, &QCheckBox::toggled, this, Guarded([this] { BoxIN1blokClick(); }));

  // A preset applies when the user picks an entry from the opened list; closing it without a
  // pick changes nothing. Qt says "activated" also for the wheel and keys over the closed list.
  operatorView_ = ui.Combo_operator->view();
  operatorView_->installEventFilter(this);
  ui.Combo_operator->installEventFilter(this);
  connect(ui.Combo_operator, &QComboBox::activated, this,
          Guarded([this](int entry) { Combo_operatorPicked(entry); }));
}

void FieldEditing::Restrain(QLineEdit* field, KeySet keys, int maxLength) {
  field->setMaxLength(NoLimit);
  field->setValidator(new FieldValidator(field, keys, maxLength));
}

bool FieldEditing::eventFilter(QObject* watched, QEvent* event) {
  if (watched == operatorView_) {
    if (event->type() == QEvent::Show) operatorListOpen_ = true;
  } else if (watched == ui_.Combo_operator) {
    // A wheel turned over the closed list (the opened one takes its own events) was meant for
    // something else.
    if (event->type() == QEvent::Wheel) return true;
    if (event->type() == QEvent::KeyPress) operatorListOpen_ = false;
  } else if (event->type() == QEvent::FocusOut) {
    const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
    // Leaving the window for a box or another window is not leaving the field.
    if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
      if (auto* field = qobject_cast<QLineEdit*>(watched)) RunLeaveRule(field);
    }
  } else if (event->type() == QEvent::FocusIn) {
    auto* box = qobject_cast<QCheckBox*>(watched);
    if (box && ByUser(static_cast<QFocusEvent*>(event)->reason())) MarkEdited(box);
  }
  return false;
}

void FieldEditing::LeaveFocusedField() {
  auto* field = qobject_cast<QLineEdit*>(QApplication::focusWidget());
  if (field && field->window() == ui_.centralwidget->window()) RunLeaveRule(field);
}

void FieldEditing::RunLeaveRule(QLineEdit* field) {
  if (field == ui_.Edit_haslo || field == c_.text[ItemIndex::Pin]) {
    SetFieldText(field, FieldRules::LeavePassword(field->text()));
  } else if (field == c_.limitSms || field == c_.limitVoice) {
    SetFieldText(field, FieldRules::LeaveLimit(field->text()));
  } else if (std::find(c_.times.begin(), c_.times.end(), field) != c_.times.end()) {
    if (const std::optional<QString> time = FieldRules::LeaveTime(field->text())) {
      SetFieldText(field, *time);
    } else {
      onError_(EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(field->text()).toStdString()));
    }
  }
}

void FieldEditing::MarkEdited(QWidget* control) { SetBackground(control, Colours::Edited); }

void FieldEditing::BoxIN1blokClick() {
  MarkEdited(c_.in1blok);
  binding_.ShowInputModeColours();
  if (c_.in1blok->isChecked()) {
    c_.out1sygn->setEnabled(true);
  } else {
    c_.out1sygn->setEnabled(false);
    c_.out1sygn->setChecked(false);
  }
}

void FieldEditing::BoxPotwClick() {
  ui_.EditPotw->setEnabled(c_.potw->isChecked());
  MarkEdited(c_.potw);
}

void FieldEditing::Combo_operatorPicked(int entry) {
  if (!std::exchange(operatorListOpen_, false)) return;
  if (entry < 0 || entry >= OperatorPresets::EntryCount) return;
  SetFieldText(c_.text[ItemIndex::SmsCentre], QString::fromLatin1(OperatorPresets::Preset(entry)));
}
