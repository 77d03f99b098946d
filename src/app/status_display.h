#pragma once
// The live status area of the main window: lamps, event count, modem stage, signal gauge, the
// day's counters and the firmware version, fed by the controller's status and login replies.
#include <QByteArray>
#include <QString>
#include <QtGlobal>

namespace Ui {
class TMain;
}

class StatusDisplay {
 public:
  // Only keeps the form; its widgets need not exist yet.
  explicit StatusDisplay(Ui::TMain& ui) : ui_(ui) {}

  // While set, the main window's timer polls the controller's status.
  bool StatusDisplayOn = false;

  void ShowStatusOn();
  void ShowStatusOff();
  // A payload shorter than a status reply changes nothing.
  void ShowStatusReply(const QByteArray& payload);
  void ShowFirmwareVersion(quint8 version);
  // The caption of the firmware shown; empty while none is known.
  QString FirmwareCaption() const;
  // After a logout: no version known and no signal.
  void ResetVersionAndGauge();

 private:
  Ui::TMain& ui_;
};
