#pragma once
// The main window's form on a plain window, as the tests inspect it.
#include <QLayout>
#include <QMainWindow>
#include <QString>
#include <QWidget>

#include "ui_tmain.h"

struct Form {
  QMainWindow window;
  Ui::TMain ui;
  Form() { ui.setupUi(&window); }

  // Styled and laid out as when shown, without a window on the screen.
  void LayOut() {
    window.ensurePolished();
    window.layout()->activate();
  }

  template <typename T = QObject>
  T* find(const QString& name) {
    if (window.objectName() == name) return qobject_cast<T*>(&window);
    return window.findChild<T*>(name);
  }
};

// The hint a user sees: a control without one shows its container's.
inline QString EffectiveHint(const QWidget* w) {
  for (; w; w = w->parentWidget())
    if (!w->toolTip().isEmpty()) return w->toolTip();
  return QString();
}
