#include "installation_changes.h"

#include <QHash>
#include <algorithm>

#include "native_name.h"
#include "register_store.h"

namespace {

constexpr const char* Names[] = {"site", "name", "address", "contact", "notes"};
constexpr int FieldCount = std::size(Names);

QString InstallationFields::*const Members[FieldCount] = {&InstallationFields::site, &InstallationFields::name,
                                                          &InstallationFields::address, &InstallationFields::contact,
                                                          &InstallationFields::notes};

bool Older(const InstallationEdit& a, const InstallationEdit& b) { return std::tie(a.ms, a.uuid) < std::tie(b.ms, b.uuid); }

// The fields before each edit, by the edit it followed; nullopt for the one that made it, or
// when that edit is not at hand, which counts as having changed every field.
std::optional<InstallationFields> Before(const InstallationEdit& edit, const QHash<QString, const InstallationEdit*>& byUuid) {
  if (edit.previous.isEmpty()) return std::nullopt;
  const auto it = byUuid.find(edit.previous);
  if (it == byUuid.end()) return std::nullopt;
  return (*it)->fields;
}

// Calls found(edit, field, before) for each field each edit changed, oldest edit first.
template <typename Found>
void EachChange(QList<InstallationEdit>& edits, Found found) {
  std::sort(edits.begin(), edits.end(), Older);
  QHash<QString, const InstallationEdit*> byUuid;
  for (const InstallationEdit& e : edits) byUuid.insert(e.uuid, &e);
  for (const InstallationEdit& e : edits) {
    const std::optional<InstallationFields> before = Before(e, byUuid);
    for (int f = 0; f < FieldCount; ++f) {
      const QString& after = e.fields.*Members[f];
      const QString was = before ? (*before).*Members[f] : QString();
      if (before ? was != after : !after.isEmpty()) found(e, f, was);
    }
  }
}

}  // namespace

namespace InstallationChanges {

QList<FieldChange> Of(const QList<InstallationEdit>& edits) {
  QList<InstallationEdit> sorted = edits;
  QList<FieldChange> changes;
  EachChange(sorted, [&](const InstallationEdit& e, int f, const QString& before) {
    changes.append({e.uuid, QDateTime::fromMSecsSinceEpoch(e.ms), e.by, Names[f], before, e.fields.*Members[f]});
  });
  return changes;
}

std::optional<Merged> Merge(QList<InstallationEdit> edits) {
  if (std::none_of(edits.begin(), edits.end(), [](const InstallationEdit& e) { return e.previous.isEmpty(); }))
    return std::nullopt;
  Merged merged;
  // Oldest first, so the newest change of each field is the one that stays.
  EachChange(edits, [&](const InstallationEdit& e, int f, const QString&) { merged.fields.*Members[f] = e.fields.*Members[f]; });
  merged.changedMs = edits.last().ms;
  merged.changedBy = edits.last().by;
  return merged;
}

}  // namespace InstallationChanges

namespace InstallationChanges {

QList<InstallationEdit> Local(RegisterStore& store, const QString& installation) {
  QList<InstallationEdit> edits;
  const auto name = [](const QVariant& v) { return NameFromBytes(v.toByteArray()); };
  for (const QVariantList& r :
       store.Rows(QStringLiteral("SELECT e.uuid, %1, e.edited_ms, e.edited_by, e.site, e.name, e.address, e.contact, "
                                 "e.notes FROM installation_edits e WHERE e.installation = ?")
                      .arg(QLatin1String(PreviousHere)),
                  {installation}))
    edits.append({r[0].toString(), r[1].toString(), r[2].toLongLong(), r[3].toString(),
                  {name(r[4]), name(r[5]), name(r[6]), name(r[7]), name(r[8])}});
  return edits;
}

}  // namespace InstallationChanges
