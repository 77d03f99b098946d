#pragma once
// What each edit of an installation changed, and the installation its edits make together. An
// edit sets the fields in its mask; edits apply in the order of their hybrid logical clocks
// (hybrid_clock.h), ties by UUID, so that every computer holding the same edits reaches the same
// installation whatever order they arrived in.
#include <QDateTime>
#include <QList>
#include <QString>

#include "installations.h"

class RegisterStore;

struct InstallationEdit {
  QString uuid;
  qint64 clock = 0;
  qint64 ms = 0;  // when it was made, by its computer's wall clock
  QString by;
  FieldEdit edit;
  qint64 receivedMs = 0;  // when the shared register received it; 0 while it has not
};

struct FieldChange {
  QString edit;  // its UUID
  QDateTime when;
  QDateTime received;  // invalid while the shared register has not received it
  QString by;
  const char* field;  // the field's code name: site, name, address, contact, notes
  QString before, after;
};

namespace InstallationChanges {

// Each field's change, oldest first; making the installation counts for its non-empty fields.
QList<FieldChange> Of(QList<InstallationEdit> edits);

// Each field as the edits leave it, with the newest edit's time and author.
struct Merged {
  InstallationFields fields;
  qint64 changedMs = 0;
  QString changedBy;
  qint64 clock = 0;  // the newest edit's
};
Merged Merge(QList<InstallationEdit> edits);

// The installation's edits in the local register. Throws RegisterFault.
QList<InstallationEdit> Local(RegisterStore& store, const QString& installation);

}  // namespace InstallationChanges
