#pragma once
// A drop-down list (not editable) of ports or of one line setting, backed by a TComSelect.
#include "com_select.h"

#include <QComboBox>

class TComComboBox : public QComboBox {
  Q_OBJECT
 public:
  explicit TComComboBox(QWidget* parent = nullptr);

  TComSelect& Select() { return select_; }
  const TComSelect& Select() const { return select_; }
  QString Text() const { return select_.Text(); }
  void SetText(const QString& text) { select_.SetText(text); }

 signals:
  // The user chose an item; the choice is already held (and applied, with AutoApply).
  void OnChange();

 private:
  TComSelect select_;
};
