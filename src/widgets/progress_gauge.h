#pragma once
// A horizontal gauge that prints its fill, centred, as a whole percentage cut down (never rounded
// up), so a gauge shows 100% only when it is really full.
#include <QColor>
#include <QProgressBar>

class ProgressGauge : public QProgressBar {
  Q_OBJECT
  // The form sets these; an invalid groove colour means the platform's button face.
  Q_PROPERTY(QColor barColour READ BarColour WRITE SetBarColour)
  Q_PROPERTY(QColor grooveColour READ GrooveColour WRITE SetGrooveColour)

 public:
  explicit ProgressGauge(QWidget* parent = nullptr);

  // "%d%%" of (value - minimum) * 100 / (maximum - minimum); empty for an empty range or a
  // gauge reset below its minimum.
  static QString FillText(int value, int minimum, int maximum);
  QString text() const override;

  QColor BarColour() const { return barColour_; }
  void SetBarColour(const QColor& colour);
  QColor GrooveColour() const { return grooveColour_; }
  void SetGrooveColour(const QColor& colour);

 signals:
  void DoubleClicked();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void ApplyColours();

  QColor barColour_;
  QColor grooveColour_;
};
