#include "field_validator.h"

#include <QLineEdit>

#include "cp1250.h"
#include "field_rules.h"

FieldValidator::FieldValidator(QLineEdit* field, KeySet keys, int maxLength)
    : QValidator(field), field_(field), keys_(keys), maxLength_(maxLength), before_(field->text()) {
  // Emitted once an edit has been validated (and whenever the program sets a text).
  connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { before_ = text; });
}

QValidator::State FieldValidator::validate(QString& input, int& pos) const {
  // Setting a text clears the field's undo history; the user's edits add to it. Only those are
  // restrained, so a reply or a file shows whole.
  if (!field_->isUndoAvailable()) return Acceptable;

  // The edit inserted its text just before the cursor; what follows the cursor is the end of the
  // text as it was. The cursor tells where the text went when characters repeat around it.
  const QString& old = before_;
  const qsizetype end = qBound(qsizetype(0), qsizetype(pos), input.size());
  qsizetype back = input.size() - end;
  if (back > old.size() || QStringView(old).right(back) != QStringView(input).right(back)) {
    // Not an insertion at the cursor (an undo, say): take the ends the two texts share.
    back = 0;
    while (back < old.size() && back < input.size() && old[old.size() - 1 - back] == input[input.size() - 1 - back])
      ++back;
  }
  const qsizetype insertEnd = input.size() - back;
  qsizetype front = 0;
  while (front < insertEnd && front < old.size() - back && old[front] == input[front]) ++front;

  const QString inserted = input.mid(front, insertEnd - front);
  if (inserted.isEmpty()) return Acceptable;  // only removed something
  if (!Cp1250::Representable(inserted)) return Invalid;

  // Carriage return and backspace are keys of the digit sets, not characters: no control
  // character is kept, so a pasted line end or tab never reaches the controller.
  QString kept;
  for (QChar c : inserted)
    if (c.category() != QChar::Other_Control && FieldRules::Accepts(keys_, c)) kept += c;
  const qsizetype remaining = front + back;  // what is left of the old text
  kept.truncate(qMax<qsizetype>(0, maxLength_ - remaining));
  if (kept.isEmpty()) return Invalid;  // nothing typed is kept: the field stays as it was
  input = input.left(front) + kept + input.right(back);
  pos = int(front + kept.size());
  return Acceptable;
}
