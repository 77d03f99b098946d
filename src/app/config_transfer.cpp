// The whole configuration read from the controller into the window, or written from the window
// into the controller, one item at a time with its progress shown.
#include "commands.h"
#include "item_requests.h"
#include "message_box.h"
#include "tmain.h"

namespace {
constexpr std::array<int, Cmd::ItemCount> UploadProgress{4,  8,  12, 16, 20, 22, 26, 30, 34, 38,
                                                         42, 46, 50, 54, 58, 62, 66, 70, 74, 78,
                                                         80, 84, 86, 90, 92, 94, 96, 98, 100};
}  // namespace

void TMain::DownloadConfig() {
  ui.Icon_get->setEnabled(false);
  ui.Icon_put->setEnabled(false);
  Status.ShowStatusOff();
  ui.Label_Bar->setText(QStringLiteral("Pobieram konfiguracje nadajnika"));
  ui.Bar->setValue(0);
  ui.Panel_bar->show();
  unreadItems_.reset();
  ConfigRecord read;
  bool complete = false;
  for (int k = 0; k < Cmd::ItemCount; ++k) {
    if (!ItemRequests::Read(link, k)) break;
    read.setValue(k, link.LastRxPayload);
    ui.Bar->setValue(Cmd::ReadItem(k) * 100 / Cmd::ReadItemLast);
    complete = k == Cmd::ItemCount - 1;
    if (complete) EndTransfer();
    QCoreApplication::processEvents();
  }
  ui.Panel_bar->hide();
  if (complete && unreadItems_.none()) ConfigHistory.Downloaded(read);
  // The window holds other values than the controller for these: the user is told once.
  if (unreadItems_.none()) return;
  QStringList captions;
  for (int k = 0; k < Cmd::ItemCount; ++k)
    if (unreadItems_.test(size_t(k))) captions << Binding->CaptionOf(k);
  QApplication::beep();
  ErrorBox(QStringLiteral("Nie odczytano z nadajnika VELT (za krótka odpowiedź):\n") + captions.join(u'\n'));
}

void TMain::UploadConfig() {
  // The field being edited keeps what its leave rule makes of it; values read from the
  // controller elsewhere go back unchanged.
  Editing->LeaveFocusedField();
  ui.Icon_get->setEnabled(false);
  ui.Icon_put->setEnabled(false);
  Status.ShowStatusOff();
  ui.Label_Bar->setText(QStringLiteral("Wysyłam konfiguracje do nadajnika"));
  ui.Bar->setValue(0);
  ui.Panel_bar->show();
  QCoreApplication::processEvents();
  ConfigRecord written;
  int k = 0;
  for (; k < Cmd::ItemCount; ++k) {
    QByteArray value;
    try {
      value = Binding->EncodeConfigItem(k);
    } catch (...) {
      // Nothing more is sent; the window is given back as it was before the upload.
      ui.Panel_bar->hide();
      if (LoggedIn) EndTransfer();
      if (k > 0) ConfigHistory.Forget();
      throw;
    }
    if (!ItemRequests::Write(link, k, value)) break;
    written.setValue(k, value);
    ui.Bar->setValue(UploadProgress[size_t(k)]);
    // An edit made while the item was on its way stays marked: the controller has the old value.
    try {
      if (Binding->EncodeConfigItem(k) == value) Binding->MarkItemInStep(k);
    } catch (const std::exception&) {
    }
  }
  ui.Panel_bar->hide();
  // An upload that broke off leaves the controller with some of it, maybe the item on the line.
  if (k == Cmd::ItemCount) ConfigHistory.Uploaded(written);
  else ConfigHistory.Forget();
  if (LoggedIn) EndTransfer();
}

void TMain::EndTransfer() {
  Status.ShowStatusOn();
  ui.Icon_get->setEnabled(true);
  ui.Icon_put->setEnabled(true);
}
