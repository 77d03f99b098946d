#pragma once
// "O programie": the program's picture, name, version, author and a link to its description.
#include <QDialog>
#include <QString>
#include <memory>

namespace Ui {
class TFInfo;
}

class TFInfo : public QDialog {
  Q_OBJECT
 public:
  // readme: the program's description that the link opens; none, no link.
  explicit TFInfo(QWidget* parent = nullptr, const QString& readme = InstalledReadme());
  ~TFInfo() override;

  // The README installed beside the program (share/doc/velt under its prefix); empty when the
  // program runs from where it was built.
  static QString InstalledReadme();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Label3Click();

  std::unique_ptr<Ui::TFInfo> ui;
  QString readme_;
};
