#include "field_validator.h"

#include <QLineEdit>

#include "cp1250.h"
#include "field_rules.h"

FieldValidator::FieldValidator(QLineEdit* field, KeySet keys, int maxLength)
    : QValidator(field), field_(field), keys_(keys), maxLength_(maxLength) {}

QValidator::State FieldValidator::validate(QString& input, int& pos) const {
  // The field still holds the text before the edit: what the edit inserted lies between the
  // part both share at the front and the part they share at the back.
  const QString old = field_->text();
  qsizetype front = 0;
  while (front < old.size() && front < input.size() && old[front] == input[front]) ++front;
  qsizetype back = 0;
  while (back < old.size() - front && back < input.size() - front &&
         old[old.size() - 1 - back] == input[input.size() - 1 - back])
    ++back;
  const QString inserted = input.mid(front, input.size() - front - back);
  if (inserted.isEmpty()) return Acceptable;  // only removed something
  if (!Cp1250::Representable(inserted)) return Invalid;

  QString kept;
  for (QChar c : inserted)
    if (FieldRules::Accepts(keys_, c)) kept += c;
  const qsizetype remaining = old.size() - (old.size() - front - back);
  kept.truncate(qMax<qsizetype>(0, maxLength_ - remaining));
  if (kept.isEmpty() && remaining == old.size()) return Invalid;  // nothing would change
  input = input.left(front) + kept + input.right(back);
  pos = int(front + kept.size());
  return Acceptable;
}
