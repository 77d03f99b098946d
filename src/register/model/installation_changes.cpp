#include "installation_changes.h"

#include <algorithm>

#include "native_name.h"
#include "register_store.h"

namespace {

bool Older(const InstallationEdit& a, const InstallationEdit& b) { return std::tie(a.clock, a.uuid) < std::tie(b.clock, b.uuid); }

// Calls found(edit, field, before) for each field each edit changed, oldest edit first.
template <typename Found>
InstallationFields EachChange(QList<InstallationEdit>& edits, Found found) {
  std::sort(edits.begin(), edits.end(), Older);
  InstallationFields now;
  for (const InstallationEdit& e : edits)
    for (int f = 0; f < FieldEdit::Count; ++f) {
      if (!(e.edit.mask & (1 << f))) continue;
      QString& field = now.*FieldEdit::Members[f];
      const QString& after = e.edit.values.*FieldEdit::Members[f];
      if (field == after) continue;
      found(e, f, field);
      field = after;
    }
  return now;
}

}  // namespace

namespace InstallationChanges {

QList<FieldChange> Of(QList<InstallationEdit> edits) {
  QList<FieldChange> changes;
  EachChange(edits, [&](const InstallationEdit& e, int f, const QString& before) {
    changes.append({e.uuid, QDateTime::fromMSecsSinceEpoch(e.ms),
                    e.receivedMs ? QDateTime::fromMSecsSinceEpoch(e.receivedMs) : QDateTime(), e.by,
                    FieldEdit::Names[f], before, e.edit.values.*FieldEdit::Members[f]});
  });
  return changes;
}

Merged Merge(QList<InstallationEdit> edits) {
  Merged merged;
  merged.fields = EachChange(edits, [](const InstallationEdit&, int, const QString&) {});
  if (!edits.isEmpty()) {
    merged.changedMs = edits.last().ms;
    merged.changedBy = edits.last().by;
    merged.clock = edits.last().clock;
  }
  return merged;
}

QList<InstallationEdit> Local(RegisterStore& store, const QString& installation) {
  QList<InstallationEdit> edits;
  const auto name = [](const QVariant& v) { return NameFromBytes(v.toByteArray()); };
  for (const QVariantList& r :
       store.Rows(QStringLiteral("SELECT uuid, clock, edited_ms, edited_by, fields, site, name, address, contact, notes, "
                                 "received_ms FROM installation_edits WHERE installation = ?"),
                  {installation}))
    edits.append({r[0].toString(), r[1].toLongLong(), r[2].toLongLong(), r[3].toString(),
                  {r[4].toInt(), {name(r[5]), name(r[6]), name(r[7]), name(r[8]), name(r[9])}},
                  r[10].toLongLong()});
  return edits;
}

}  // namespace InstallationChanges
