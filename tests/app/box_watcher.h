#pragma once
// Reads and closes every modal box the program shows, as a user would, and keeps what it saw.
#include <QList>
#include <QObject>
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

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CloseActiveModal(qint64 shownMs);

  QList<Box> boxes;
};
