#include "com_combo_box.h"

TComComboBox::TComComboBox(QWidget* parent) : QComboBox(parent), select_(this) {
  // Only the user's choices, not the list's own refills, count as a change.
  connect(this, &QComboBox::activated, this, [this](int index) {
    select_.ApplyChoiceText(itemText(index));
    emit OnChange();
  });
}
