#include "config_controls.h"

#include "config_record.h"
#include "packings.h"
#include "ui_tmain.h"

ConfigControls::ConfigControls(Ui::TMain& ui) {
  text[ItemIndex::Pin] = ui.Edit_pin;
  text[ItemIndex::SmsCentre] = ui.Edit_operator;
  const std::array<QLineEdit*, 4> phones{ui.Edit_Tel1, ui.Edit_Tel2, ui.Edit_Tel3, ui.Edit_Tel4};
  const std::array<QLineEdit*, 5> offTexts{ui.Edit_IN1N, ui.Edit_IN2N, ui.Edit_IN3N, ui.Edit_IN4N, ui.Edit_IN5N};
  const std::array<QLineEdit*, 5> onTexts{ui.Edit_IN1A, ui.Edit_IN2A, ui.Edit_IN3A, ui.Edit_IN4A, ui.Edit_IN5A};
  for (int i = 0; i < 4; ++i) text[ItemIndex::Phone1 + i] = phones[i];
  for (int i = 0; i < 5; ++i) {
    text[ItemIndex::In1OffText + i] = offTexts[i];
    text[ItemIndex::In1OnText + i] = onTexts[i];
  }
  text[ItemIndex::Out1OnWord] = ui.Edit_Out1zal;
  text[ItemIndex::Out2OnWord] = ui.Edit_Out2zal;
  text[ItemIndex::Out1OffWord] = ui.Edit_Out1wyl;
  text[ItemIndex::Out2OffWord] = ui.Edit_Out2wyl;
  text[ItemIndex::Out3OnWord] = ui.Edit_Out3zal;
  text[ItemIndex::Out3OffWord] = ui.Edit_Out3wyl;
  text[ItemIndex::ConfirmText] = ui.EditPotw;

  // The boxes are named after their row and column: BoxIN<r>T<c> for an SMS, BoxIN<r>S<c> for
  // a voice call.
  for (int r = 1; r <= 5; ++r) {
    for (int c = 1; c <= 4; ++c) {
      matrix[InputMatrix::SmsBit(r, c)] = ui.centralwidget->findChild<QCheckBox*>(QStringLiteral("BoxIN%1T%2").arg(r).arg(c));
      matrix[InputMatrix::VoiceBit(r, c)] = ui.centralwidget->findChild<QCheckBox*>(QStringLiteral("BoxIN%1S%2").arg(r).arg(c));
    }
  }
  outputNc = {ui.BoxOut1NC, ui.BoxOut2NC, ui.BoxOUT3NC};
  outputMono = {ui.BoxOut1Mono, ui.BoxOut2Mono, ui.BoxOut3Mono};
  times = {ui.Out1Czas, ui.Out2Czas, ui.Out3Czas};
  limitSms = ui.Edit_LimitSMS;
  limitVoice = ui.Edit_LimitVoice;
  potw = ui.BoxPotw;
  autotest = ui.BoxAutotest;
  in1blok = ui.BoxIN1blok;
  out1sygn = ui.BoxOut1sygn;
}

QList<QWidget*> ConfigControls::Of(int k) const {
  switch (k) {
    case ItemIndex::InputMatrix: return {matrix.begin(), matrix.end()};
    case ItemIndex::OutputFlags: return {outputNc[0], outputNc[1], outputNc[2], outputMono[0], outputMono[1], outputMono[2]};
    case ItemIndex::OutputTimes: return {times.begin(), times.end()};
    case ItemIndex::LimitSms: return {limitSms};
    case ItemIndex::LimitVoice: return {limitVoice};
    case ItemIndex::Options: return {potw, autotest, in1blok, out1sygn};
    default: return {text.at(size_t(k))};
  }
}
