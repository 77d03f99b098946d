#pragma once
// The main window's status bar. Its passing messages are shown by a label of their own at its
// left, cut with "…" when long and whole in the label's tooltip, so that the lasting parts added
// on its right neither cover them nor are covered; the bar paints no message itself.
#include <QStatusBar>

class ElidedLabel;

class WindowStatusBar : public QStatusBar {
 public:
  explicit WindowStatusBar(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  ElidedLabel* message_;
};
