#include "elided_label.h"

#include <QResizeEvent>

ElidedLabel::ElidedLabel(QWidget* parent, int minimumChars) : QLabel(parent), minimumChars_(minimumChars) {
  setTextFormat(Qt::PlainText);
}

void ElidedLabel::SetFullText(const QString& text) {
  full_ = text;
  setToolTip(text);
  updateGeometry();
  Elide();
}

int ElidedLabel::Margins() const {
  const QMargins m = contentsMargins();
  return m.left() + m.right() + 2 * margin();
}

QSize ElidedLabel::sizeHint() const {
  return {fontMetrics().horizontalAdvance(full_) + Margins(), QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
  const int least = fontMetrics().horizontalAdvance(full_.left(minimumChars_) + QStringLiteral("…"));
  return {std::min(least, fontMetrics().horizontalAdvance(full_)) + Margins(), QLabel::minimumSizeHint().height()};
}

void ElidedLabel::resizeEvent(QResizeEvent* event) {
  QLabel::resizeEvent(event);
  Elide();
}

void ElidedLabel::Elide() { setText(fontMetrics().elidedText(full_, Qt::ElideRight, contentsRect().width() - 2 * margin())); }
