#include "sync_send.h"

#include <QSet>
#include <QUuid>
#include <algorithm>

#include "config_file.h"
#include "configurations.h"
#include "installation_changes.h"
#include "installations.h"
#include "register_fault.h"
#include "shared_store.h"
#include "sync_notes.h"

namespace {

// One batch on its way: what it found to merge once the server has taken it.
struct Batch {
  SharedStore& shared;
  // This computer's installation, and the one that holds its site on the server.
  QList<std::pair<QString, QString>> merges;
};

QVariant TextOrNull(const QVariant& value) {
  return value.toString().isEmpty() ? QVariant(QMetaType(QMetaType::QString)) : value;
}

// A table that travels. Its rows are read after a cursor (their rowid, selected first, then the
// shared table's key) and added on the server only when missing, with no conflict target, which
// a role that may add rows but not read them is allowed.
struct Outbox {
  const char* table;  // on the server; the cursor's name
  const char* key;    // the server's key column
  qint64 PendingCount::*count;
  const char* local;  // the columns and the local table they are read from
  const char* own;    // what makes a row this computer's to send
  const char* any;    // what makes a row one to compare in a full sync
  void (*send)(Batch& batch, const QVariantList& row);
};

void SendInstallation(Batch& b, const QVariantList& r) {
  const QVariant site = Bound(r[2].toByteArray());
  b.shared.Run(QStringLiteral("INSERT INTO installation_sites (site, installation) VALUES (?, ?) ON CONFLICT DO NOTHING"),
               {site, r[1]});
  const auto holder = b.shared.Row(QStringLiteral("SELECT installation FROM installation_sites WHERE site = ?"), {site});
  if (holder && holder->at(0).toString() != r[1].toString()) {
    b.merges.append({r[1].toString(), holder->at(0).toString()});
    return;
  }
  b.shared.Run(QStringLiteral("INSERT INTO installations (uuid, site, name, address, contact, notes, created_ms, created_by, "
                              "changed_ms, changed_by, search_text) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, '') "
                              "ON CONFLICT DO NOTHING"),
               {r[1], site, Bound(r[3].toByteArray()), Bound(r[4].toByteArray()), Bound(r[5].toByteArray()),
                Bound(r[6].toByteArray()), r[7], SharedText(r[8].toString()), r[9], SharedText(r[10].toString())});
}

void SendEdit(Batch& b, const QVariantList& r) {
  b.shared.Run(QStringLiteral("INSERT INTO installation_edits (uuid, installation, edited_ms, edited_by, site, name, "
                              "address, contact, notes, fields, clock) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                              "ON CONFLICT DO NOTHING"),
               {r[1], r[2], r[3], SharedText(r[4].toString()), Bound(r[5].toByteArray()), Bound(r[6].toByteArray()),
                Bound(r[7].toByteArray()), Bound(r[8].toByteArray()), Bound(r[9].toByteArray()), r[10], r[11]});
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

void SendEntry(Batch& b, const QVariantList& r) {
  b.shared.Run(QStringLiteral("INSERT INTO configurations (uuid, taken_ms, utc_offset, kind, port, firmware, technician, "
                              "installation, phone1, sms_centre, bytes) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?) "
                              "ON CONFLICT DO NOTHING"),
               {r[1], r[2], r[3], SharedText(r[4].toString()), Bound(r[5].toByteArray()), SharedText(r[6].toString()),
                SharedText(r[7].toString()), TextOrNull(r[8]), Bound(r[9].toByteArray()), Bound(r[10].toByteArray()),
                Bound(WithoutSecrets(r[11].toByteArray()))});
}

void SendSecret(Batch& b, const QVariantList& r) {
  b.shared.Run(QStringLiteral("INSERT INTO configuration_secrets (configuration, bytes) VALUES (?, ?) ON CONFLICT DO NOTHING"),
               {r[1], Bound(r[2].toByteArray())});
}

void SendAssignment(Batch& b, const QVariantList& r) {
  b.shared.Run(QStringLiteral("INSERT INTO assignments (uuid, configuration, installation, assigned_ms, assigned_by, clock) "
                              "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT DO NOTHING"),
               {r[1], r[2], TextOrNull(r[3]), r[4], SharedText(r[5].toString()), r[6]});
}

constexpr char Secrets[] = "configuration_secrets";

// In the order a server's reader needs them: an edit refers to its installation, an entry to it,
// an entry's secrets and assignments to the entry.
const QList<Outbox>& Outboxes() {
  static const QList<Outbox> outboxes{
      {"installations", "uuid", &PendingCount::installations,
       "uuid, site, name, address, contact, notes, created_ms, created_by, changed_ms, changed_by FROM installations",
       "brought = 0", "1", SendInstallation},
      {"installation_edits", "uuid", &PendingCount::edits,
       "uuid, installation, edited_ms, edited_by, site, name, address, contact, notes, fields, clock FROM installation_edits",
       "brought = 0", "1", SendEdit},
      {"configurations", "uuid", &PendingCount::entries,
       "uuid, taken_ms, utc_offset, kind, port, firmware, technician, kept_installation, phone1, sms_centre, bytes "
       "FROM configurations",
       "brought = 0", "1", SendEntry},
      {Secrets, "configuration", nullptr, "uuid, bytes FROM configurations", "secrets = 1 AND brought = 0", "secrets = 1",
       SendSecret},
      {"assignments", "uuid", &PendingCount::assignments,
       "uuid, configuration, installation, assigned_ms, assigned_by, clock FROM assignments", "brought = 0", "1",
       SendAssignment},
  };
  return outboxes;
}

QString CursorNote(const SharedTarget& target, const Outbox& outbox) {
  return QStringLiteral("sent %1 %2").arg(target.Place(), QLatin1String(outbox.table));
}

QString Select(const Outbox& outbox, bool full) {
  return QStringLiteral("SELECT rowid, %1 WHERE rowid > ? AND %2 ORDER BY rowid LIMIT ?")
      .arg(QLatin1String(outbox.local), QLatin1String(full ? outbox.any : outbox.own));
}

qint64 Unsent(RegisterStore& local, const SharedTarget& target, const Outbox& outbox) {
  const QString from = QString::fromLatin1(outbox.local).section(QStringLiteral(" FROM "), 1);
  return local
      .Row(QStringLiteral("SELECT count(*) FROM %1 WHERE rowid > ? AND %2").arg(from, QLatin1String(outbox.own)),
           {SyncNotes::Number(local, CursorNote(target, outbox))})
      ->at(0)
      .toLongLong();
}

// This computer's installation `loser` joins `winner`, which holds its site in the team: its
// edits become edits of that one (what made it sets only what it gave), its entries are
// assigned to that one, and it is gone from this register.
void Merge(RegisterStore& local, const QString& loser, const QString& winner, SyncReport* report) {
  RegisterStore::Transaction transaction(local);
  Installations installations(local);
  const std::optional<Installation> lost = installations.Get(loser);
  QList<InstallationEdit> edits = InstallationChanges::Local(local, loser);
  std::sort(edits.begin(), edits.end(), [](const InstallationEdit& a, const InstallationEdit& b) { return a.clock < b.clock; });
  if (!edits.isEmpty()) {
    int given = 0;
    for (int f = 1; f < FieldEdit::Count; ++f)
      if (!(edits.first().edit.values.*FieldEdit::Members[f]).isEmpty()) given |= 1 << f;
    local.Run(QStringLiteral("UPDATE installation_edits SET fields = fields & ? WHERE uuid = ?"), {given, edits.first().uuid});
  }
  local.Run(QStringLiteral("UPDATE installation_edits SET installation = ? WHERE installation = ?"), {winner, loser});
  Configurations configurations(local);
  const QString by = lost ? lost->createdBy : QString();
  for (const QVariantList& entry :
       local.Rows(QStringLiteral("SELECT uuid FROM configurations WHERE installation = ?"), {loser})) {
    const QString uuid = entry[0].toString();
    const auto seen = local.Row(QStringLiteral("SELECT max(clock) FROM assignments WHERE configuration = ?"), {uuid});
    configurations.KeepAssignment({QUuid::createUuid().toString(QUuid::WithoutBraces), uuid, winner, local.NowMs(), by,
                                   HybridClock::Next(local.NowMs(), seen ? seen->at(0).toLongLong() : 0)},
                                  false);
  }
  local.Run(QStringLiteral("DELETE FROM installations WHERE uuid = ?"), {loser});
  installations.Refresh(winner);
  transaction.Commit();
  if (lost)
    report->notices << QStringLiteral("Instalacja %1 była już w rejestrze wspólnym: dane i wpisy tego komputera dołączono do niej")
                           .arg(lost->fields.site);
}

}  // namespace

namespace SyncSend {

PendingCount Pending(RegisterStore& local, const SharedTarget& target) {
  PendingCount pending;
  for (const Outbox& outbox : Outboxes())
    if (outbox.count) pending.*outbox.count = Unsent(local, target, outbox);
  return pending;
}

void Rewind(RegisterStore& local, const SharedTarget& target) {
  for (const Outbox& outbox : Outboxes()) SyncNotes::Remove(local, CursorNote(target, outbox));
}

bool ServerHasWhatWasSent(RegisterStore& local, SharedStore& shared) {
  for (const Outbox& outbox : Outboxes()) {
    if (outbox.send == SendSecret && !shared.CanReadSecrets()) continue;
    const qint64 cursor = SyncNotes::Number(local, CursorNote(shared.Target(), outbox));
    if (cursor == 0) continue;
    const QString from = QString::fromLatin1(outbox.local).section(QStringLiteral(" FROM "), 1);
    const auto last = local.Row(QStringLiteral("SELECT uuid FROM %1 WHERE rowid = ?").arg(from), {cursor});
    if (!last) continue;
    if (!shared.Row(QStringLiteral("SELECT 1 FROM %1 WHERE %2 = ?").arg(QLatin1String(outbox.table), QLatin1String(outbox.key)),
                    {last->at(0)}))
      return false;
  }
  return true;
}

void Send(RegisterStore& local, SharedStore& shared, const SyncOptions& options, SyncReport* report) {
  const SharedTarget& target = shared.Target();
  for (const Outbox& outbox : Outboxes()) {
    const bool secrets = outbox.send == SendSecret;
    if (secrets && !shared.CanKeepSecrets()) {
      report->secretsLeft = Unsent(local, target, outbox);
      if (report->secretsLeft > 0)
        report->notices << QStringLiteral("Ta rola rejestru wspólnego nie może zapisywać haseł dostępu i kodów PIN: "
                                          "wpisy wysłano bez nich (%1), zostają w rejestrze tego komputera")
                               .arg(report->secretsLeft);
      continue;
    }
    // In a full sync, what the server holds is read first: only what it lacks is sent.
    QSet<QString> there;
    if (options.full && (!secrets || shared.CanReadSecrets()))
      for (const QVariantList& row : shared.Rows(
               QStringLiteral("SELECT %1 FROM %2").arg(QLatin1String(outbox.key), QLatin1String(outbox.table))))
        there.insert(row[0].toString());
    qint64 cursor = options.full ? 0 : SyncNotes::Number(local, CursorNote(target, outbox));
    for (;;) {
      if (options.stop && options.stop->load()) return;
      const QList<QVariantList> rows = local.Rows(Select(outbox, options.full), {cursor, options.batch});
      if (rows.isEmpty()) break;
      Batch batch{shared, {}};
      qint64 sent = 0;
      {
        SharedStore::Transaction transaction(shared);
        for (const QVariantList& row : rows)
          if (!there.contains(row[1].toString())) {
            outbox.send(batch, row);
            ++sent;
          }
        transaction.Commit();
      }
      if (options.afterStep) options.afterStep(SyncStep::Sent);
      for (const auto& [loser, winner] : std::as_const(batch.merges)) Merge(local, loser, winner, report);
      cursor = rows.last().at(0).toLongLong();
      SyncNotes::Set(local, CursorNote(target, outbox), QString::number(cursor));
      if (outbox.count) report->sent.*outbox.count += sent - batch.merges.size();
      if (options.afterStep) options.afterStep(SyncStep::Noted);
    }
  }
}

}  // namespace SyncSend
