#pragma once
// The choice behind a port list control: which setting it lists, the value chosen, and the port
// that the choice may be written to.
#include "comport.h"

#include <QComboBox>
#include <QObject>
#include <QPointer>
#include <QStringList>

enum TComProperty { cpNone, cpPort, cpBaudRate, cpDataBits, cpStopBits, cpParity, cpFlowControl };

// The values held for each listed setting; a port's defaults until something is chosen.
struct TComChoice {
  QByteArray Port;
  TBaudRate BaudRate = br9600;
  TDataBits DataBits = dbEight;
  TStopBits StopBits = sbOneStopBit;
  TParityBits Parity = prNone;
  TFlowControl FlowControl = fcNone;
};

class TComSelect : public QObject {
  Q_OBJECT
 public:
  explicit TComSelect(QComboBox* box);

  TComProperty ComProperty() const { return property_; }
  void SetComProperty(TComProperty value);  // lists the property's values
  // Optional. Linking selects the item of the port's value; the link goes when the port does.
  TCustomComPort* ComPort() const { return port_; }
  void SetComPort(TCustomComPort* port);
  bool AutoApply() const { return autoApply_; }
  void SetAutoApply(bool value) { autoApply_ = value; }
  const TComChoice& Choice() const { return choice_; }

  // The ports present, in case-insensitive text order.
  static void ListPortNames(QStringList& target);
  void FillChoices();
  // Holds `text` as the choice and, with AutoApply, writes it to the linked port.
  void ApplyChoiceText(const QString& text);
  void ApplyChoiceToPort();
  // Holds the linked port's current value and selects its item.
  void FindPortChoice();

  QString Text() const;
  void SetText(const QString& text);  // selects the item with that text, if there is one

 private:
  void Hold(const QString& text);  // converts and stores, never touching the port
  QString PortValueText() const;
  int IndexOf(const QString& text) const;

  QComboBox* box_;
  QPointer<TCustomComPort> port_;
  QMetaObject::Connection portGone_;
  TComProperty property_ = cpNone;
  bool autoApply_ = false;
  TComChoice choice_;
};
