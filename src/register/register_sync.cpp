#include "register_sync.h"

#include <QSet>

#include "config_file.h"
#include "installation_changes.h"
#include "register_fault.h"
#include "shared_installations.h"
#include "shared_store.h"

namespace {

// A table that travels: what the local register reads from it after a cursor (its rowid first),
// and what the shared register adds for each row. Added with no conflict target, which a role
// that may add rows but not read them is allowed.
struct Outbox {
  const char* name;
  qint64 PendingCount::*count;
  QString select;
  void (*send)(SharedStore& shared, const QVariantList& row, QSet<QString>* touched, SyncReport* report);
};

void SendInstallation(SharedStore& shared, const QVariantList& r, QSet<QString>* touched, SyncReport*) {
  shared.Run(QStringLiteral("INSERT INTO installations (uuid, site, name, address, contact, notes, created_ms, created_by, "
                            "changed_ms, changed_by, search_text) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '') "
                            "ON CONFLICT DO NOTHING"),
             {r[1], Bound(r[2].toByteArray()), Bound(r[3].toByteArray()), Bound(r[4].toByteArray()),
              Bound(r[5].toByteArray()), Bound(r[6].toByteArray()), r[7], SharedText(r[8].toString()), r[9],
              SharedText(r[10].toString())});
  touched->insert(r[1].toString());
}

void SendEdit(SharedStore& shared, const QVariantList& r, QSet<QString>* touched, SyncReport*) {
  shared.Run(QStringLiteral("INSERT INTO installation_edits (uuid, installation, previous, edited_ms, edited_by, site, "
                            "name, address, contact, notes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"),
             {r[1], r[2], r[3].isNull() ? QVariant(QMetaType(QMetaType::QString)) : r[3], r[4], SharedText(r[5].toString()),
              Bound(r[6].toByteArray()), Bound(r[7].toByteArray()), Bound(r[8].toByteArray()), Bound(r[9].toByteArray()),
              Bound(r[10].toByteArray())});
  touched->insert(r[2].toString());
}

// The configuration as everyone may read it: its access password and SIM PIN blank. Bytes
// that do not decode keep nothing there.
QByteArray WithoutSecrets(const QByteArray& bytes) {
  std::optional<ConfigFile> file = DecodeConfigFile(bytes);
  if (!file) return QByteArray("");
  file->password.clear();
  file->record.setValue(ItemIndex::Pin, QByteArray());
  return EncodeConfigFile(*file);
}

void SendEntry(SharedStore& shared, const QVariantList& r, QSet<QString>* touched, SyncReport* report) {
  const QByteArray bytes = r[11].toByteArray();
  shared.Run(QStringLiteral("INSERT INTO configurations (uuid, taken_ms, utc_offset, kind, port, firmware, technician, "
                            "installation, phone1, sms_centre, bytes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                            "ON CONFLICT DO NOTHING"),
             {r[1], r[2], r[3], SharedText(r[4].toString()), Bound(r[5].toByteArray()), SharedText(r[6].toString()),
              SharedText(r[7].toString()), r[8].isNull() ? QVariant(QMetaType(QMetaType::QString)) : r[8],
              Bound(r[9].toByteArray()), Bound(r[10].toByteArray()), Bound(WithoutSecrets(bytes))});
  if (shared.CanKeepSecrets())
    shared.Run(QStringLiteral("INSERT INTO configuration_secrets (configuration, bytes) VALUES (?, ?) ON CONFLICT DO NOTHING"),
               {r[1], Bound(bytes)});
  else
    report->notice = QStringLiteral("Ta rola rejestru wspólnego nie może zapisywać haseł dostępu i kodów PIN: "
                                    "wpisy wysłano bez nich, zostają w rejestrze tego komputera");
  if (!r[8].isNull()) touched->insert(r[8].toString());
}

// In the order a server needs them: an edit refers to its installation, an entry to both.
const QList<Outbox>& Outboxes() {
  static const QList<Outbox> outboxes{
      {"installations", &PendingCount::installations,
       QStringLiteral("SELECT id, uuid, site, name, address, contact, notes, created_ms, created_by, changed_ms, changed_by "
                      "FROM installations WHERE id > ? ORDER BY id LIMIT ?"),
       SendInstallation},
      // Each edit with the one before it on this computer, which tells what it changed.
      {"installation_edits", &PendingCount::edits,
       QStringLiteral("SELECT e.rowid, e.uuid, e.installation, %1, e.edited_ms, e.edited_by, e.site, e.name, e.address, "
                      "e.contact, e.notes FROM installation_edits e WHERE e.rowid > ? ORDER BY e.rowid LIMIT ?")
           .arg(QLatin1String(InstallationChanges::PreviousHere)),
       SendEdit},
      {"configurations", &PendingCount::entries,
       QStringLiteral("SELECT id, uuid, taken_ms, utc_offset, kind, port, firmware, technician, installation, phone1, "
                      "sms_centre, bytes FROM configurations WHERE id > ? ORDER BY id LIMIT ?"),
       SendEntry},
  };
  return outboxes;
}

QString CursorNote(const SharedTarget& target, const Outbox& outbox) {
  return QStringLiteral("sent %1 %2").arg(target.Place(), QLatin1String(outbox.name));
}

qint64 Cursor(RegisterStore& local, const SharedTarget& target, const Outbox& outbox) {
  const auto row = local.Row(QStringLiteral("SELECT value FROM register_notes WHERE note = ?"), {CursorNote(target, outbox)});
  return row ? row->at(0).toLongLong() : 0;
}

}  // namespace

namespace RegisterSync {

PendingCount Pending(RegisterStore& local, const SharedTarget& target) {
  PendingCount pending;
  for (const Outbox& outbox : Outboxes())
    pending.*outbox.count =
        local.Row(QStringLiteral("SELECT count(*) FROM %1 WHERE rowid > ?").arg(QLatin1String(outbox.name)),
                  {Cursor(local, target, outbox)})
            ->at(0)
            .toLongLong();
  return pending;
}

void Send(RegisterStore& local, SharedStore& shared, const SyncOptions& options, SyncReport* report) {
  const SharedTarget& target = shared.Target();
  for (const Outbox& outbox : Outboxes()) {
    for (;;) {
      if (options.stop && options.stop->load()) {
        report->left = Pending(local, target);
        return;
      }
      const QList<QVariantList> rows = local.Rows(outbox.select, {Cursor(local, target, outbox), options.batch});
      if (rows.isEmpty()) break;
      QSet<QString> touched;
      {
        SharedStore::Transaction transaction(shared);
        for (const QVariantList& row : rows) outbox.send(shared, row, &touched, report);
        QStringList sorted(touched.begin(), touched.end());
        sorted.sort();
        SharedInstallations::Refresh(shared, sorted);
        transaction.Commit();
      }
      if (options.afterStep) options.afterStep(SyncStep::Sent);
      local.Run(QStringLiteral("INSERT INTO register_notes (note, value) VALUES (?, ?) "
                               "ON CONFLICT (note) DO UPDATE SET value = excluded.value"),
                {CursorNote(target, outbox), QString::number(rows.last().at(0).toLongLong())});
      report->sent.*outbox.count += rows.size();
      if (options.afterStep) options.afterStep(SyncStep::Noted);
    }
  }
}

SyncReport Run(const RegisterStore::Options& localOptions, const SharedTarget& target, const SyncOptions& options) {
  SyncReport report;
  std::unique_ptr<RegisterStore> local;
  try {
    local = std::make_unique<RegisterStore>(localOptions);
    SharedStore shared(target);
    Send(*local, shared, options, &report);
  } catch (const RegisterFault& fault) {
    report.error = fault.message();
  }
  try {
    if (local) report.left = Pending(*local, target);
  } catch (const RegisterFault& fault) {
    if (report.error.isEmpty()) report.error = fault.message();
  }
  return report;
}

QString Summary(const SyncReport& report) {
  QString line = QStringLiteral("Wysłano do rejestru wspólnego: wpisy %1, instalacje %2, zmiany instalacji %3; "
                                "do wysłania zostało: %4")
                     .arg(report.sent.entries)
                     .arg(report.sent.installations)
                     .arg(report.sent.edits)
                     .arg(report.left.Total());
  for (const QString& more : {report.error, report.notice})
    if (!more.isEmpty()) line += QStringLiteral(". ") + more;
  return line;
}

}  // namespace RegisterSync
