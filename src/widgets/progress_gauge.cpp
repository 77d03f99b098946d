#include "progress_gauge.h"

#include "colours.h"

ProgressGauge::ProgressGauge(QWidget* parent) : QProgressBar(parent) {
  setAlignment(Qt::AlignCenter);
  setTextVisible(true);
}

QString ProgressGauge::FillText(int value, int minimum, int maximum) {
  if (maximum <= minimum || value < minimum) return QString();
  const qint64 percent = (qint64(value) - minimum) * 100 / (qint64(maximum) - minimum);
  return QStringLiteral("%1%").arg(percent);
}

void ProgressGauge::mouseDoubleClickEvent(QMouseEvent* event) {
  QProgressBar::mouseDoubleClickEvent(event);
  emit DoubleClicked();
}

QString ProgressGauge::text() const { return FillText(value(), minimum(), maximum()); }

void ProgressGauge::SetBarColour(const QColor& colour) {
  barColour_ = colour;
  ApplyColours();
}

void ProgressGauge::SetGrooveColour(const QColor& colour) {
  grooveColour_ = colour;
  ApplyColours();
}

void ProgressGauge::ApplyColours() {
  QPalette palette = this->palette();
  const QColor groove = grooveColour_.isValid() ? grooveColour_ : Colours::ButtonFace();
  palette.setColor(QPalette::Base, groove);
  palette.setColor(QPalette::Text, qGray(groove.rgb()) < 128 ? Qt::white : Qt::black);
  if (barColour_.isValid()) {
    palette.setColor(QPalette::Highlight, barColour_);
    palette.setColor(QPalette::HighlightedText, qGray(barColour_.rgb()) < 128 ? Qt::white : Qt::black);
  }
  setPalette(palette);
}
