#pragma once
// Reads and closes every modal box the program shows, as a user would, and keeps what it saw.
#include <QList>
#include <QMessageBox>
#include <QObject>
#include <functional>
#include <QString>
#include <QStringList>

class BoxWatcher : public QObject {
 public:
  struct Box {
    QString summary;  // "Title: text"; a box with other buttons than one OK says so
    qint64 shownMs = 0;
    qint64 closedMs = 0;
  };

  BoxWatcher();
  ~BoxWatcher() override;

  const QList<Box>& Boxes() const { return boxes; }
  QStringList Summaries() const;

  // A test drives some modal windows itself (a dialog of its own class, or it looks at a box
  // before it closes). Every modal is offered to the handlers first, newest first; one that
  // returns true has taken it and closes it itself, and it is not recorded. A handler that
  // returns false leaves it to the watcher.
  using Handler = std::function<bool(QWidget* modal)>;
  void AddHandler(Handler handler);
  void ClearHandlers();
  // A box with more than one button is answered with this one when it has it (else the first).
  void SetAnswer(QMessageBox::StandardButton button) { answer = button; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CloseActiveModal(qint64 shownMs);

  QList<Box> boxes;
  QList<Handler> handlers;
  QMessageBox::StandardButton answer = QMessageBox::NoButton;
};
