#pragma once
// The controller's live state from one status request, as values, JSON and text.
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "status_decode.h"

class Session;

struct StatusSnapshot {
  StatusReply reply;
  QByteArray payload;    // the reply's bytes, as they came
  quint8 stageCode = 0;
  quint8 signalRaw = 0;  // as the controller sent it; 99: no level
  QString firmware;      // from the login reply; empty when it carried none

  int SignalGauge() const;    // the window's gauge, 0 to 20 (a level above shows it full)
  int SignalPercent() const;
  QString SignalText() const;  // "15/20 (75%)"
};

// One status request with the window's 10 ticks an attempt; throws CliError.
StatusSnapshot PollStatus(Session& session);

QJsonObject StatusJson(const StatusSnapshot& status);
QStringList StatusLines(const StatusSnapshot& status);  // the whole state, a line a field
QString StatusLine(const StatusSnapshot& status);       // the state on one line, for --watch
