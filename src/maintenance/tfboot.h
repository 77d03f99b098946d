#pragma once
// "Bootloader": chooses a firmware file, checks it, and sends it to the controller's bootloader.
//
// START is enabled only while the last file chosen passed its checks (a damaged choice drops
// the one held before; a cancelled choice keeps it). During a transfer neither button starts
// anything, and closing the dialog asks first and then stops the transfer after its block.
#include <QDialog>
#include <memory>
#include <optional>

#include "firmware_image.h"
#include "firmware_update.h"
#include "maintenance_host.h"

namespace Ui {
class TFboot;
}

class TFboot : public QDialog, private FirmwareReport {
  Q_OBJECT
 public:
  TFboot(MaintenanceHost& host, QWidget* parent);
  ~TFboot() override;

  bool Transferring() const { return update_ != nullptr; }
  // Asks whether to stop the running transfer; true when the user agrees (it then stops).
  bool AskToStop();

  void done(int result) override;
  void reject() override;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void Button1Click();
  void ButtonStartClick();
  template <typename F>
  void Guarded(F f);

  // FirmwareReport
  void ShowProgress(int percent) override;
  void ReportNoAcknowledgement() override;
  void ReportCompleted() override;

  MaintenanceHost& host_;
  std::unique_ptr<Ui::TFboot> ui;
  std::optional<FirmwareImage> image_;
  FirmwareUpdate* update_ = nullptr;
};
