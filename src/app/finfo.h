#pragma once
// "O programie": the program's picture, name, version, author and web page.
#include <QDialog>
#include <QUrl>
#include <memory>

namespace Ui {
class TFInfo;
}

class TFInfo : public QDialog {
  Q_OBJECT
 public:
  explicit TFInfo(QWidget* parent = nullptr);
  ~TFInfo() override;

  static const QUrl WebPage;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Label3Click();

  std::unique_ptr<Ui::TFInfo> ui;
};
