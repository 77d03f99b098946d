#pragma once
// A list of configuration items, one a row with the window's caption and two values, for what
// an upload would change and for an entry of the history against the window.
#include <QDialog>
#include <QList>
#include <QString>
#include <QStringList>
#include <memory>

namespace Ui {
class TFZmiany;
}

struct ChangeRow {
  QString caption;
  QString first, second;
};

class TFZmiany : public QDialog {
  Q_OBJECT
 public:
  // headers: the item's column and the columns of the two values. note says what is listed;
  // without rows the table is not shown.
  TFZmiany(const QString& title, const QString& note, const QStringList& headers, const QList<ChangeRow>& rows,
           QWidget* parent);
  ~TFZmiany() override;

 private:
  std::unique_ptr<Ui::TFZmiany> ui;
};
