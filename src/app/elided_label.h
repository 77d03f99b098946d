#pragma once
// A one-line label that shows as much of its text as its width allows, cut with "…", and holds
// the whole text in its tooltip; it asks for the room of the whole text and takes less.
#include <QLabel>

class ElidedLabel : public QLabel {
 public:
  // Given less room, it keeps about minimumChars characters.
  explicit ElidedLabel(QWidget* parent, int minimumChars);

  void SetFullText(const QString& text);
  const QString& FullText() const { return full_; }

  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Elide();
  int Margins() const;

  QString full_;
  int minimumChars_;
};
