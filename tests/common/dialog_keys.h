#pragma once
// A dialog as the keyboard meets it: one default button that Enter presses, and Esc to close.
#include <QDialog>
#include <QPushButton>
#include <QString>
#include <QTest>

// Empty when the dialog has exactly one default button, a shown one, and Esc closes it (for a
// modal dialog the dialog's event loop ends later); else what is wrong. Closes the dialog.
inline QString DialogKeysFault(QDialog* dialog) {
  QStringList defaults;
  for (const QPushButton* button : dialog->findChildren<QPushButton*>())
    if (button->isDefault() && button->isVisibleTo(dialog)) defaults << button->objectName();
  if (defaults.size() != 1) return QStringLiteral("default buttons: [%1]").arg(defaults.join(u' '));
  QTest::keyClick(dialog, Qt::Key_Escape);
  if (dialog->isVisible()) return QStringLiteral("Esc left the dialog open");
  return {};
}
