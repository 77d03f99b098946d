#pragma once
// "Porty COM": a small non-modal dialog listing the ports found beside their device names, a
// port a row, so that each name stays beside its description; it widens for long names.
#include <QByteArrayList>
#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

namespace Ui {
class TFormJakieCOM;
}

class TFormJakieCOM : public QDialog {
  Q_OBJECT
 public:
  explicit TFormJakieCOM(QWidget* parent = nullptr);
  ~TFormJakieCOM() override;

  // Replaces the rows: one port name and its device name a row.
  void ShowPorts(const QByteArrayList& portNames, const QStringList& deviceNames);

  // Raised by "Odświerz": the owner runs discovery again and shows the result here.
  std::function<void()> OnRefresh;

 private:
  void Button1Click();
  void FitWidth(int columnsWidth);

  std::unique_ptr<Ui::TFormJakieCOM> ui;
};
