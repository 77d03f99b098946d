// The maintenance buttons: password change, firmware update, restart and counter reset.
#include "maintenance_requests.h"
#include "tfboot.h"
#include "tfhaslo_nowe.h"
#include "tmain.h"

void TMain::Button_zmiana_haslaClick() {
  Status.ShowStatusOff();
  TFhaslo_nowe dialog(*this, this);
  dialog.exec();
}

void TMain::ButtonFirmwareClick() {
  Status.ShowStatusOff();
  TFboot dialog(*this, this);
  FirmwareDialog = &dialog;
  dialog.exec();
  FirmwareDialog = nullptr;
  if (CloseAfterFirmware) QTimer::singleShot(0, this, &QWidget::close);
}

void TMain::ButtonRestartClick() { Maintenance::RestartController(link); }

void TMain::ButtonResetlimitClick() { Maintenance::ResetCounters(link); }

void TMain::SetPassword(const QByteArray& password) {
  ui.Edit_haslo->setText(QString::fromLatin1(password));
}
