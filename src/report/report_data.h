#pragma once
// What a handover report says: the configuration the controller now holds and what is known of
// the visit that left it there. Plain values, filled by the window or by velt-cli.
#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QList>
#include <QString>
#include <optional>

#include "config_record.h"
#include "status_history.h"

struct ReportSite {
  QString id, name, address, contact;
};

// The installer company whose document the report is: the head of every page.
struct ReportCompany {
  QString name, address, phone, email, taxId;
  QImage logo;  // null for none
};

struct ReportSignal {
  SignalStats stats;
  QList<int> levels;  // oldest first, on the gauge's scale; -1 where a reply carried no level
};

struct ReportData {
  ConfigRecord record;
  QByteArray password;                 // the access password (Windows-1250), empty when unknown
  std::optional<ConfigRecord> before;  // what the controller held before the visit, when known
  std::optional<ReportSite> site;
  QString technician;
  QString firmware;  // "VELT v 1.8"; empty when unknown
  QString source;    // where the configuration came from: a file, a history entry, the controller
  QDateTime made;    // printed, and the PDF's creation date
  std::optional<ReportSignal> signal;
  bool revealSecrets = false;  // the PIN and the access password in plain text
  // Items whose value here the controller does not hold: changed in the window, not written.
  QList<int> unsaved;
  std::optional<ReportCompany> company;
  QString number;  // the report's number; empty while it has none
};
