#include "sync_bring.h"

#include <QSet>
#include <functional>

#include "configurations.h"
#include "installation_changes.h"
#include "installations.h"
#include "native_name.h"
#include "shared_store.h"
#include "sync_notes.h"

namespace {

// What one batch touched, derived again once it is kept.
struct Keeping {
  RegisterStore& local;
  QSet<QString> installations, configurations;
  qint64 kept = 0;
};

struct Inbox {
  const char* table;
  const char* key;
  qint64 PendingCount::*count;  // null: the secrets, which count no row of their own
  const char* columns;          // after the key
  void (*keep)(Keeping& k, const QVariantList& row);
};

QString NameAt(const QVariant& value) { return NameFromBytes(value.toByteArray()); }

void KeepInstallation(Keeping& k, const QVariantList& r) {
  const QString uuid = r[0].toString();
  Installations installations(k.local);
  if (installations.Get(uuid)) return;
  QByteArray site = r[1].toByteArray();
  // A site held here by another installation: this computer's own, made since it sent, which
  // its next sync merges into this one, whose site comes back then.
  if (installations.BySite(NameFromBytes(site))) site += " (" + uuid.left(8).toLatin1() + ')';
  k.local.Run(QStringLiteral("INSERT INTO installations (uuid, site, name, address, contact, notes, created_ms, created_by, "
                             "changed_ms, changed_by, search_text, brought) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '', 1)"),
              {uuid, site, Bound(r[2].toByteArray()), Bound(r[3].toByteArray()), Bound(r[4].toByteArray()),
               Bound(r[5].toByteArray()), r[6], Bound(r[7].toString()), r[8], Bound(r[9].toString())});
  k.installations.insert(uuid);
  // Entries and assignments that came before it now have their installation.
  for (const QVariantList& entry :
       k.local.Rows(QStringLiteral("SELECT uuid FROM configurations WHERE installation = ?"), {uuid}))
    k.configurations.insert(entry[0].toString());
  ++k.kept;
}

void KeepEdit(Keeping& k, const QVariantList& r) {
  const QString installation = r[1].toString();
  const InstallationEdit edit{r[0].toString(), r[10].toLongLong(), r[2].toLongLong(), r[3].toString(),
                              {r[9].toInt(), {NameAt(r[4]), NameAt(r[5]), NameAt(r[6]), NameAt(r[7]), NameAt(r[8])}},
                              r[11].toLongLong()};
  if (Installations(k.local).KeepEdit(installation, edit, true)) {
    ++k.kept;
  } else {
    // This computer's own edit: now it knows when the server received it.
    k.local.Run(QStringLiteral("UPDATE installation_edits SET received_ms = ? WHERE uuid = ? AND received_ms IS NULL"),
                {edit.receivedMs, edit.uuid});
  }
  k.installations.insert(installation);
}

void KeepEntry(Keeping& k, const QVariantList& r) {
  if (k.local.Row(QStringLiteral("SELECT 1 FROM configurations WHERE uuid = ?"), {r[0]})) {
    // Kept by a look cut off before deriving from it, or this computer's own: derived again.
    k.configurations.insert(r[0].toString());
    if (!r[7].toString().isEmpty()) k.installations.insert(r[7].toString());
    return;
  }
  const QVariant installation = r[7].toString().isEmpty() ? QVariant() : r[7];
  k.local.Run(QStringLiteral("INSERT INTO configurations (uuid, taken_ms, utc_offset, kind, port, firmware, technician, "
                             "installation, kept_installation, phone1, sms_centre, bytes, brought, secrets) "
                             "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 1, 0)"),
              {r[0], r[1], r[2], r[3], Bound(r[4].toByteArray()), Bound(r[5].toString()), Bound(r[6].toString()),
               installation, installation, Bound(r[8].toByteArray()), Bound(r[9].toByteArray()), Bound(r[10].toByteArray())});
  k.configurations.insert(r[0].toString());
  if (!installation.isNull()) k.installations.insert(installation.toString());
  ++k.kept;
}

void KeepSecret(Keeping& k, const QVariantList& r) {
  k.local.Run(QStringLiteral("UPDATE configurations SET bytes = ?, secrets = 1 WHERE uuid = ? AND secrets = 0"),
              {Bound(r[1].toByteArray()), r[0]});
}

void KeepAssignment(Keeping& k, const QVariantList& r) {
  if (Configurations(k.local)
          .KeepAssignment({r[0].toString(), r[1].toString(), r[2].toString(), r[3].toLongLong(), r[4].toString(),
                           r[5].toLongLong()},
                          true))
    ++k.kept;
}

const QList<Inbox>& Inboxes() {
  static const QList<Inbox> inboxes{
      {"installations", "uuid", &PendingCount::installations,
       "site, name, address, contact, notes, created_ms, created_by, changed_ms, changed_by", KeepInstallation},
      {"installation_edits", "uuid", &PendingCount::edits,
       "installation, edited_ms, edited_by, site, name, address, contact, notes, fields, clock, received_ms", KeepEdit},
      {"configurations", "uuid", &PendingCount::entries,
       "taken_ms, utc_offset, kind, port, firmware, technician, installation, phone1, sms_centre, bytes", KeepEntry},
      {"configuration_secrets", "configuration", nullptr, "bytes", KeepSecret},
      {"assignments", "uuid", &PendingCount::assignments, "configuration, installation, assigned_ms, assigned_by, clock",
       KeepAssignment},
  };
  return inboxes;
}

QString CursorNote(const SharedTarget& target, const Inbox& inbox) {
  return QStringLiteral("brought %1 %2").arg(target.Place(), QLatin1String(inbox.table));
}

}  // namespace

namespace SyncBring {

void Rewind(RegisterStore& local, const SharedTarget& target) {
  for (const Inbox& inbox : Inboxes()) SyncNotes::Remove(local, CursorNote(target, inbox));
}

qint64 LatestCursor(RegisterStore& local, const SharedTarget& target) {
  qint64 latest = 0;
  for (const Inbox& inbox : Inboxes()) latest = std::max(latest, SyncNotes::Number(local, CursorNote(target, inbox)));
  return latest;
}

void Bring(RegisterStore& local, SharedStore& shared, const SyncOptions& options, SyncReport* report) {
  const SharedStore::Snapshot snapshot(shared);
  // Every transaction older than this one had ended when the snapshot was taken.
  // What the rows brought change is derived once a table is brought, in transactions of a
  // batch's size; a look cut off before that is derived again by the next, which brings the
  // same rows.
  const auto derive = [&](const QSet<QString>& uuids, const std::function<void(const QString&)>& one) {
    const QStringList all(uuids.begin(), uuids.end());
    for (qsizetype from = 0; from < all.size(); from += options.batch) {
      RegisterStore::Transaction transaction(local);
      for (const QString& uuid : all.mid(from, options.batch)) one(uuid);
      transaction.Commit();
    }
  };
  const qint64 oldestRunning =
      shared.Row(QStringLiteral("SELECT pg_snapshot_xmin(pg_current_snapshot())::text::bigint"))->at(0).toLongLong();
  for (const Inbox& inbox : Inboxes()) {
    if (!inbox.count && !shared.CanReadSecrets()) continue;
    const qint64 from = SyncNotes::Number(local, CursorNote(shared.Target(), inbox));
    const QString select = QStringLiteral("SELECT %1, %2 FROM %3 WHERE tx >= ? AND %1 > ? ORDER BY %1 LIMIT ?")
                               .arg(QLatin1String(inbox.key), QLatin1String(inbox.columns), QLatin1String(inbox.table));
    QString after = QStringLiteral("");
    Keeping keeping{local, {}, {}, 0};
    for (;;) {
      if (options.stop && options.stop->load()) return;
      const QList<QVariantList> rows = shared.Rows(select, {from, after, options.batch});
      if (rows.isEmpty()) break;
      {
        RegisterStore::Transaction transaction(local);
        for (const QVariantList& row : rows) inbox.keep(keeping, row);
        transaction.Commit();
      }
      after = rows.last().at(0).toString();
      if (options.afterStep) options.afterStep(SyncStep::Brought);
    }
    Configurations configurations(local);
    derive(keeping.configurations, [&](const QString& uuid) { configurations.FoldAssignments(uuid); });
    Installations installations(local);
    derive(keeping.installations, [&](const QString& uuid) { installations.Refresh(uuid); });
    if (inbox.count) report->brought.*inbox.count += keeping.kept;
    SyncNotes::Set(local, CursorNote(shared.Target(), inbox), QString::number(oldestRunning));
  }
}

}  // namespace SyncBring
