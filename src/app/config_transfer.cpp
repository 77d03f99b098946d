// The whole configuration read from the controller into the window, or written from the window
// into the controller, one item at a time with its progress shown.
#include <QThread>

#include "commands.h"
#include "tmain.h"
#include "waits.h"

namespace {
constexpr int PauseBeforeReadMs = 10;
constexpr std::array<int, Cmd::ItemCount> UploadProgress{4,  8,  12, 16, 20, 22, 26, 30, 34, 38,
                                                         42, 46, 50, 54, 58, 62, 66, 70, 74, 78,
                                                         80, 84, 86, 90, 92, 94, 96, 98, 100};

quint16 UploadTicks(int k) {
  return k >= ItemIndex::In1OffText && k <= ItemIndex::In1OnText + 4 ? Waits::InputTextTicks : Waits::ShortTicks;
}
}  // namespace

void TMain::DownloadConfig() {
  ui.Icon_get->setEnabled(false);
  ui.Icon_put->setEnabled(false);
  Status.ShowStatusOff();
  ui.Label_Bar->setText(QStringLiteral("Pobieram konfiguracje nadajnika"));
  ui.Bar->setValue(0);
  ui.Panel_bar->show();
  for (int k = 0; k < Cmd::ItemCount; ++k) {
    const quint8 command = Cmd::ReadItem(k);
    link.PollTicks = 0;
    QThread::msleep(PauseBeforeReadMs);
    link.SendFrame(command, QByteArrayLiteral("G"));
    if (!link.WaitForReply(Waits::ReadTicks, command)) break;
    ui.Bar->setValue(command * 100 / Cmd::ReadItemLast);
    if (k == Cmd::ItemCount - 1) EndTransfer();
    QCoreApplication::processEvents();
  }
  ui.Panel_bar->hide();
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
  for (int k = 0; k < Cmd::ItemCount; ++k) {
    QByteArray value;
    try {
      value = Binding->EncodeConfigItem(k);
    } catch (...) {
      // Nothing more is sent; the window is given back as it was before the upload.
      ui.Panel_bar->hide();
      if (LoggedIn) EndTransfer();
      throw;
    }
    if (!link.SendFrameAndWait(Cmd::WriteItem(k), value, UploadTicks(k))) break;
    ui.Bar->setValue(UploadProgress[size_t(k)]);
    // An edit made while the item was on its way stays marked: the controller has the old value.
    try {
      if (Binding->EncodeConfigItem(k) == value) Binding->MarkItemInStep(k);
    } catch (const std::exception&) {
    }
  }
  ui.Panel_bar->hide();
  if (LoggedIn) EndTransfer();
}

void TMain::EndTransfer() {
  Status.ShowStatusOn();
  ui.Icon_get->setEnabled(true);
  ui.Icon_put->setEnabled(true);
}
