#pragma once
// What a configuration field lets the user type or paste: characters of its key set, only those
// Windows-1250 can carry, no control characters, and no more than its length. Text that the
// program sets (a reply, a file) is not restrained: it shows and goes back unchanged, however
// long it is.
#include <QString>
#include <QValidator>

#include "config_record.h"

class QLineEdit;

class FieldValidator : public QValidator {
 public:
  FieldValidator(QLineEdit* field, KeySet keys, int maxLength);

  // Keeps of what the edit inserts the characters of the key set, up to the room left; refuses
  // the whole edit, leaving the field unchanged, when a character cannot be carried or nothing
  // of it would be kept.
  State validate(QString& input, int& pos) const override;

 private:
  const QLineEdit* field_;
  KeySet keys_;
  int maxLength_;
  // The field's text before the edit being validated: the field already holds the edited text.
  QString before_;
};
