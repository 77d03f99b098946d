#pragma once
// The record of one controller's commissioning, for the installer's files: when and through
// which port, the firmware, the modem's stage and signal at the end, every item's value and
// whether verification passed; as JSON and as a short text a person can file.
#include <QDateTime>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "status_report.h"
#include "write_verify.h"

struct CommissioningRecord {
  QString site;
  QDateTime finished;
  QString port;
  QString templatePath;
  QString sitesPath;
  int sitesLine = 0;
  StatusSnapshot status;  // at the end
  ItemValues values;      // as written
  WriteOutcome outcome;

  QJsonObject Json() const;
  QString Text() const;
};

// Creates the folder when it is missing; throws CliError (Error) when records cannot be written
// there. Run before anything is sent.
void CheckRecordFolder(const QString& folder);
// Writes SITE_DATE.json and SITE_DATE.txt into the folder (readable by the owner only, never
// half-written, both or neither); a name already taken gets a suffix, SITE_DATE_2, and is never
// replaced. Returns their paths. Throws CliError (Error).
QStringList WriteRecord(const QString& folder, const CommissioningRecord& record);
