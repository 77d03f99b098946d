#include "shared_installations.h"

#include "native_name.h"
#include "register_store.h"
#include "search_key.h"
#include "shared_store.h"

namespace {

QString NameAt(const QVariant& value) { return NameFromBytes(value.toByteArray()); }

}  // namespace

namespace SharedInstallations {

QList<ListedInstallation> Search(SharedStore& store, const QString& text, int limit, qint64 offset) {
  // The trigram index serves the pattern when it is there; the order is the local register's.
  return Installations::Listed(store.Rows(
      QStringLiteral("SELECT %1 FROM installations i LEFT JOIN configurations c ON c.uuid = i.latest_configuration "
                     "WHERE i.search_text LIKE ? ESCAPE '\\' ORDER BY i.latest_ms DESC, i.id DESC LIMIT ? OFFSET ?")
          .arg(Installations::ListedColumns),
      {SharedText(Installations::LikePattern(SearchKey(text))), limit, offset}));
}

QList<InstallationEdit> Edits(SharedStore& store, const QString& installation) {
  QList<InstallationEdit> edits;
  for (const QVariantList& r : store.Rows(QStringLiteral("SELECT uuid, previous, edited_ms, edited_by, site, name, address, "
                                                         "contact, notes FROM installation_edits WHERE installation = ?"),
                                          {installation}))
    edits.append({r[0].toString(), r[1].toString(), r[2].toLongLong(), r[3].toString(),
                  {NameAt(r[4]), NameAt(r[5]), NameAt(r[6]), NameAt(r[7]), NameAt(r[8])}});
  return edits;
}

void Refresh(SharedStore& store, const QStringList& sortedInstallations) {
  for (const QString& uuid : sortedInstallations) {
    // Taken first, so that a computer sending edits of it meanwhile refreshes it after this one,
    // seeing these edits as well.
    const auto row = store.Row(QStringLiteral("SELECT site, name, address, contact, notes, changed_ms, changed_by "
                                              "FROM installations WHERE uuid = ? FOR UPDATE"),
                               {uuid});
    if (!row) continue;  // its own row comes with a later batch, which refreshes it then
    InstallationChanges::Merged merged{
        {NameAt(row->at(0)), NameAt(row->at(1)), NameAt(row->at(2)), NameAt(row->at(3)), NameAt(row->at(4))},
        row->at(5).toLongLong(),
        row->at(6).toString()};
    if (const auto fromEdits = InstallationChanges::Merge(Edits(store, uuid))) merged = *fromEdits;
    const auto newest = store.Row(QStringLiteral("SELECT uuid, taken_ms, bytes FROM configurations WHERE installation = ? "
                                                 "ORDER BY taken_ms DESC, uuid DESC LIMIT 1"),
                                  {uuid});
    const InstallationFields& f = merged.fields;
    store.Run(QStringLiteral("UPDATE installations SET site = ?, name = ?, address = ?, contact = ?, notes = ?, "
                             "changed_ms = ?, changed_by = ?, latest_configuration = ?, latest_ms = ?, search_text = ? "
                             "WHERE uuid = ?"),
              {Bound(NameBytes(f.site)), Bound(NameBytes(f.name)), Bound(NameBytes(f.address)), Bound(NameBytes(f.contact)),
               Bound(NameBytes(f.notes)), merged.changedMs, SharedText(merged.changedBy),
               newest ? newest->at(0) : QVariant(QMetaType(QMetaType::QString)), newest ? newest->at(1).toLongLong() : 0,
               SharedText(Installations::SearchText(f, newest ? newest->at(2).toByteArray() : QByteArray())), uuid});
  }
}

}  // namespace SharedInstallations
