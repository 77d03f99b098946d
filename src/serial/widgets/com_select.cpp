#include "com_select.h"

#include "port_discovery.h"

#include <QFile>

TComSelect::TComSelect(QComboBox* box) : box_(box) {}

void TComSelect::SetComProperty(TComProperty value) {
  property_ = value;
  FillChoices();
}

void TComSelect::SetComPort(TCustomComPort* port) {
  if (port == port_) return;
  disconnect(portGone_);
  port_ = port;
  if (!port) return;
  portGone_ = connect(port, &QObject::destroyed, this, [this] {
    port_ = nullptr;
    if (box_->count() > 0) box_->setCurrentIndex(0);
  });
  FindPortChoice();
}

void TComSelect::ListPortNames(QStringList& target) {
  QStringList names;
  for (const DiscoveredPort& port : DiscoverPorts()) names << QFile::decodeName(port.name);
  names.sort(Qt::CaseInsensitive);
  target = names;
}

void TComSelect::FillChoices() {
  QStringList items;
  switch (property_) {
    case cpNone: break;
    case cpPort: ListPortNames(items); break;
    case cpBaudRate:
      for (int i = brCustom; i <= br256000; ++i) items << BaudRateText(TBaudRate(i));
      break;
    case cpDataBits:
      for (int i = dbFive; i <= dbEight; ++i) items << DataBitsText(TDataBits(i));
      break;
    case cpStopBits:
      for (int i = sbOneStopBit; i <= sbTwoStopBits; ++i) items << StopBitsText(TStopBits(i));
      break;
    case cpParity:
      for (int i = prNone; i <= prSpace; ++i) items << ParityText(TParityBits(i));
      break;
    case cpFlowControl:
      for (int i = fcHardware; i <= fcCustom; ++i) items << FlowControlText(TFlowControl(i));
      break;
  }
  box_->clear();
  box_->addItems(items);
  if (items.isEmpty()) return;
  if (port_)
    FindPortChoice();
  else
    box_->setCurrentIndex(0);
}

void TComSelect::ApplyChoiceText(const QString& text) {
  Hold(text);
  if (autoApply_) ApplyChoiceToPort();
}

void TComSelect::Hold(const QString& text) {
  switch (property_) {
    case cpNone: break;
    case cpPort: choice_.Port = QFile::encodeName(text); break;
    case cpBaudRate: choice_.BaudRate = BaudRateFromText(text); break;
    case cpDataBits: choice_.DataBits = DataBitsFromText(text); break;
    case cpStopBits: choice_.StopBits = StopBitsFromText(text); break;
    case cpParity: choice_.Parity = ParityFromText(text); break;
    case cpFlowControl: choice_.FlowControl = FlowControlFromText(text); break;
  }
}

void TComSelect::ApplyChoiceToPort() {
  if (!port_) return;
  switch (property_) {
    case cpNone: break;
    case cpPort: port_->SetPort(choice_.Port); break;
    case cpBaudRate: port_->SetBaudRate(choice_.BaudRate); break;
    case cpDataBits: port_->SetDataBits(choice_.DataBits); break;
    case cpStopBits: port_->SetStopBits(choice_.StopBits); break;
    case cpParity: port_->Parity().SetBits(choice_.Parity); break;
    case cpFlowControl: port_->FlowControl().SetFlowControl(choice_.FlowControl); break;
  }
}

QString TComSelect::PortValueText() const {
  switch (property_) {
    case cpNone: return {};
    case cpPort: return QFile::decodeName(port_->Port());
    case cpBaudRate: return BaudRateText(port_->BaudRate());
    case cpDataBits: return DataBitsText(port_->DataBits());
    case cpStopBits: return StopBitsText(port_->StopBits());
    case cpParity: return ParityText(port_->Parity().Bits());
    case cpFlowControl: return FlowControlText(port_->FlowControl().FlowControl());
  }
  return {};
}

void TComSelect::FindPortChoice() {
  if (!port_ || property_ == cpNone) return;
  const QString text = PortValueText();
  Hold(text);
  box_->setCurrentIndex(IndexOf(text));
}

QString TComSelect::Text() const {
  return box_->currentIndex() >= 0 ? box_->currentText() : QString();
}

void TComSelect::SetText(const QString& text) {
  const int index = IndexOf(text);
  if (index >= 0) box_->setCurrentIndex(index);
}

// Device paths differ by letter case, so items match exactly.
int TComSelect::IndexOf(const QString& text) const {
  return box_->findText(text, Qt::MatchFixedString | Qt::MatchCaseSensitive);
}
