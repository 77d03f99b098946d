#include "status_display.h"

#include <QLabel>

#include "colours.h"
#include "status_decode.h"
#include "ui_tmain.h"

namespace {
const QString UnknownVersion = QStringLiteral("VELT v ...");

void SetLamp(QLabel* lamp, bool on, QRgb onColour, QRgb offColour) {
  SetBackground(lamp, QColor(on ? onColour : offColour));
}
}  // namespace

void StatusDisplay::ShowStatusOn() {
  StatusDisplayOn = true;
  ui_.StatusBar->show();
  ui_.StatusBar->clear();
  ui_.LabelSMS->clear();
  ui_.LabelVoice->clear();
}

void StatusDisplay::ShowStatusOff() {
  StatusDisplayOn = false;
  ui_.StatusBar->hide();
  for (QLabel* lamp : {ui_.PanelIN1, ui_.PanelIN2, ui_.PanelIN3, ui_.PanelIN4, ui_.PanelIN5, ui_.PanelPK,
                       ui_.PanelOut2, ui_.PanelOut3, ui_.PanelFab})
    SetBackground(lamp, Colours::ButtonFace());
  ui_.LabelSMS->clear();
  ui_.LabelVoice->clear();
  ui_.BoxAutotest->setEnabled(true);
}

void StatusDisplay::ShowStatusReply(const QByteArray& payload) {
  const std::optional<StatusReply> reply = DecodeStatusReply(payload);
  if (!reply) return;

  // An input lamp is lime while its bit is set; an output lamp turns red while the output is active.
  QLabel* const inputs[] = {ui_.PanelIN1, ui_.PanelIN2, ui_.PanelIN3, ui_.PanelIN4, ui_.PanelIN5};
  for (int i = 0; i < 5; ++i) SetLamp(inputs[i], reply->Inputs[i], Colours::Lime, Colours::Red);
  QLabel* const outputs[] = {ui_.PanelPK, ui_.PanelOut2, ui_.PanelOut3};
  for (int i = 0; i < 3; ++i) SetLamp(outputs[i], reply->Outputs[i], Colours::Red, Colours::Lime);

  ui_.LabelZd->setText(QStringLiteral("Zd: %1").arg(reply->Events));
  SetLamp(ui_.PanelFab, reply->Tamper, Colours::Lime, Colours::Red);

  ui_.StatusBar->setText(reply->StageText);

  // A gauge ignores positions outside its range instead of showing itself full.
  ui_.BarRSSI->setValue(qBound(ui_.BarRSSI->minimum(), reply->SignalLevel, ui_.BarRSSI->maximum()));

  ui_.LabelSMS->setText(QStringLiteral("%1 z").arg(reply->SmsCount));
  ui_.LabelVoice->setText(QStringLiteral("%1 z").arg(reply->VoiceCount));

  ui_.Icon_get->setEnabled(true);
  ui_.Icon_put->setEnabled(true);
}

void StatusDisplay::ShowFirmwareVersion(quint8 version) {
  const std::optional<FirmwareVersion> firmware = DecodeFirmwareVersion(version);
  if (!firmware) return;

  // setChecked emits toggled, so a reaction connected to it runs as it would for the user's click.
  ui_.BoxAutotest->setEnabled(firmware->AutotestAllowed);
  if (!firmware->AutotestAllowed) ui_.BoxAutotest->setChecked(false);
  ui_.BoxIN1blok->setEnabled(firmware->MiniPanelAllowed);
  if (!firmware->MiniPanelAllowed) ui_.BoxIN1blok->setChecked(false);

  ui_.TextWersja->setText(firmware->Caption);
  SetTextColour(ui_.TextWersja, QColor(Colours::Black));
}

QString StatusDisplay::FirmwareCaption() const {
  const QString shown = ui_.TextWersja->text();
  return shown == UnknownVersion ? QString() : shown;
}

void StatusDisplay::ResetVersionAndGauge() {
  ui_.TextWersja->setText(UnknownVersion);
  SetTextColour(ui_.TextWersja, QColor(Colours::Grey));
  ui_.BarRSSI->setValue(0);
}
