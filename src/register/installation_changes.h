#pragma once
// What each edit of an installation changed, and the installation that the edits of several
// computers make together. Every edit is a snapshot of all the fields, naming the edit it
// followed on its own computer (none for the one that made the installation): a field changed
// where the two differ. Of the changes to one field, the newest wins; edits of the same
// millisecond are ordered by their UUIDs, so that every computer reaches the same result.
#include <QDateTime>
#include <QList>
#include <QString>
#include <optional>

#include "installations.h"

class RegisterStore;

struct InstallationEdit {
  QString uuid;
  QString previous;  // empty: the edit that made the installation
  qint64 ms = 0;
  QString by;
  InstallationFields fields;
};

struct FieldChange {
  QString edit;  // its UUID
  QDateTime when;
  QString by;
  const char* field;  // the field's code name: site, name, address, contact, notes
  QString before, after;
};

namespace InstallationChanges {

// Each field's change, oldest first; making the installation counts for its non-empty fields.
QList<FieldChange> Of(const QList<InstallationEdit>& edits);

// Each field as its newest change left it; nullopt without the edit that made it.
struct Merged {
  InstallationFields fields;
  qint64 changedMs = 0;
  QString changedBy;  // of the newest edit
};
std::optional<Merged> Merge(QList<InstallationEdit> edits);

// For a query of the local register's installation_edits as e: the edit before it on this
// computer, the one kept before it.
inline constexpr char PreviousHere[] =
    "(SELECT p.uuid FROM installation_edits p WHERE p.installation = e.installation AND p.rowid < e.rowid "
    "ORDER BY p.rowid DESC LIMIT 1)";
// The installation's edits in the local register. Throws RegisterFault.
QList<InstallationEdit> Local(RegisterStore& store, const QString& installation);

}  // namespace InstallationChanges
