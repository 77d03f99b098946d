#include "register_sync.h"

#include "installations.h"
#include "register_fault.h"
#include "shared_store.h"
#include "sync_bring.h"
#include "sync_notes.h"
#include "sync_send.h"

namespace {

struct Server {
  QString identity;  // its register's UUID and its database's: a restored backup differs in one
  qint64 nextTransaction = 0;
  qint64 nowMs = 0;
};

Server Meet(SharedStore& shared) {
  const QVariantList r = *shared.Row(QStringLiteral(
      "SELECT (SELECT value FROM register_notes WHERE note = 'register') || '/' || "
      "(SELECT oid FROM pg_database WHERE datname = current_database())::text, "
      "pg_snapshot_xmax(pg_current_snapshot())::text::bigint, (extract(epoch FROM clock_timestamp()) * 1000)::bigint"));
  return {r[0].toString(), r[1].toLongLong(), r[2].toLongLong()};
}

// After a sync: when the register was last as current as the server, or since when it has not been.
void NoteOutcome(RegisterStore& local, const SharedTarget& target, const SyncOptions& options, const SyncReport& report) {
  if (report.Complete() && options.bring) {
    SyncNotes::Set(local, SyncNotes::Name(target, QStringLiteral("synced")), QString::number(local.NowMs()));
    SyncNotes::Remove(local, SyncNotes::Name(target, QStringLiteral("failing")));
    SyncNotes::Remove(local, SyncNotes::Name(target, QStringLiteral("problem")));
  } else if (!report.error.isEmpty()) {
    const QString failing = SyncNotes::Name(target, QStringLiteral("failing"));
    if (!SyncNotes::Get(local, failing)) SyncNotes::Set(local, failing, QString::number(local.NowMs()));
    SyncNotes::Set(local, SyncNotes::Name(target, QStringLiteral("problem")), report.error);
  }
}

}  // namespace

namespace RegisterSync {

PendingCount Pending(RegisterStore& local, const SharedTarget& target) { return SyncSend::Pending(local, target); }

QString Span(qint64 ms) {
  ms = std::abs(ms);
  constexpr qint64 Hour = 3600 * 1000, Minute = 60 * 1000;
  if (ms >= Hour) return QStringLiteral("%1 h").arg((ms + Hour / 2) / Hour);
  return QStringLiteral("%1 min").arg((ms + Minute / 2) / Minute);
}

void Sync(RegisterStore& local, SharedStore& shared, const SyncOptions& options, SyncReport* report) {
  const SharedTarget& target = shared.Target();
  const Server server = Meet(shared);
  const qint64 skew = local.NowMs() - server.nowMs;
  if (std::abs(skew) > SkewToleranceMs)
    report->notices << QStringLiteral("zegar tego komputera różni się od zegara serwera o %1").arg(Span(skew));
  const QString identityNote = SyncNotes::Name(target, QStringLiteral("register"));
  const std::optional<QString> known = SyncNotes::Get(local, identityNote);
  // Another register under the same address: a new database, or a backup restored, which may
  // lack what was sent to it and numbers its transactions anew.
  const bool another = (known && *known != server.identity) || server.nextTransaction < SyncBring::LatestCursor(local, target)
                       || !SyncSend::ServerHasWhatWasSent(local, shared);
  SyncOptions compare = options;
  if (another || options.full) {
    compare.full = true;
    SyncBring::Rewind(local, target);
    if (another)
      report->notices << QStringLiteral("Rejestr wspólny nie ma wszystkiego, co mu wysłano (nowa baza albo kopia zapasowa): "
                                        "porównano wszystkie wpisy");
  }
  SyncSend::Send(local, shared, compare, report);
  if (options.stop && options.stop->load()) return;
  if (options.bring) SyncBring::Bring(local, shared, options, report);
  if (options.stop && options.stop->load()) return;
  SyncNotes::Set(local, identityNote, server.identity);
  SyncNotes::Set(local, SyncNotes::Name(target, QStringLiteral("encrypted")), shared.Encrypted() ? QStringLiteral("1") : QStringLiteral("0"));
  report->complete = true;
}

SyncReport Run(const RegisterStore::Options& localOptions, const SharedTarget& target, const SyncOptions& options) {
  SyncReport report;
  std::unique_ptr<RegisterStore> local;
  try {
    local = std::make_unique<RegisterStore>(localOptions);
    if (local->MigratedFrom() > 0) Installations(*local).RefreshAll();
    SharedStore shared(target);
    Sync(*local, shared, options, &report);
  } catch (const RegisterFault& fault) {
    report.error = fault.message();
  }
  try {
    if (local) {
      report.left = Pending(*local, target);
      NoteOutcome(*local, target, options, report);
    }
  } catch (const RegisterFault& fault) {
    if (report.error.isEmpty()) report.error = fault.message();
  }
  return report;
}

QString Summary(const SyncReport& report) {
  const auto counts = [](const PendingCount& c) {
    return QStringLiteral("wpisy %1, instalacje %2, zmiany instalacji %3, przypisania %4")
        .arg(c.entries)
        .arg(c.installations)
        .arg(c.edits)
        .arg(c.assignments);
  };
  QString line = QStringLiteral("Wysłano do rejestru wspólnego: %1; pobrano: %2; do wysłania zostało: %3")
                     .arg(counts(report.sent), counts(report.brought))
                     .arg(report.left.Total());
  QStringList more = report.notices;
  if (!report.error.isEmpty()) more.prepend(report.error);
  for (const QString& text : std::as_const(more)) line += QStringLiteral(". ") + text;
  return line;
}

}  // namespace RegisterSync
