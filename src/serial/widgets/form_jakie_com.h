#pragma once
// "Porty COM": a small non-modal dialog listing the ports found beside their device names. The
// two boxes scroll as one, so each name stays beside its description, and the dialog widens for
// names longer than its narrow name box. Below them the user names a network port and adds it,
// or removes one by its name.
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

  // Replaces both boxes' lines: one port name, and one device name, a line.
  void ShowPorts(const QByteArrayList& portNames, const QStringList& deviceNames);

  // Raised by "Odświerz": the owner runs discovery again and shows the result here.
  std::function<void()> OnRefresh;
  // Raised by "Dodaj" and "Usuń" with the name (and address) typed: the owner keeps the change
  // and shows the ports again, or tells what went wrong; false then, and what was typed stays
  // to be corrected.
  std::function<bool(const QString& name, const QByteArray& url)> OnAddNetworkPort;
  std::function<bool(const QString& name)> OnRemoveNetworkPort;

 private:
  void Button1Click();
  void Button_dodajClick();
  void Button_usunClick();
  void FitWidths(const QStringList& names, const QStringList& devices);

  std::unique_ptr<Ui::TFormJakieCOM> ui;
};
