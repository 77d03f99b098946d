#pragma once
// "Fhaslo_nowe": gives the controller a new access password.
//
// The password must be four digits, as the main window's password field holds it; while the
// request waits the field is locked, and what was sent is what the window keeps. After an
// unanswered request the dialog stays open with the password that was sent (the controller may
// have taken it) and does not send again.
#include <QDialog>
#include <memory>

#include "maintenance_host.h"

namespace Ui {
class TFhaslo_nowe;
}

class TFhaslo_nowe : public QDialog {
  Q_OBJECT
 public:
  TFhaslo_nowe(MaintenanceHost& host, QWidget* parent);
  ~TFhaslo_nowe() override;

  void done(int result) override;  // the status display comes back however the dialog closes
  void reject() override;          // not while the request waits

 private:
  void FormCreate();
  void Button1Click();
  void UpdateButton1();

  MaintenanceHost& host_;
  std::unique_ptr<Ui::TFhaslo_nowe> ui;
  bool waiting_ = false;
  bool failed_ = false;
};
