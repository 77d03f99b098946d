#include "register_view.h"

#include "register_store.h"
#include "sync_notes.h"

RegisterView::RegisterView(RegisterStore& local, std::optional<SharedTarget> target)
    : local_(local), target_(std::move(target)) {}

QString RegisterView::TimeText(qint64 ms) const {
  const QDateTime when = QDateTime::fromMSecsSinceEpoch(ms);
  const bool today = when.date() == QDateTime::fromMSecsSinceEpoch(local_.NowMs()).date();
  return when.toString(today ? QStringLiteral("HH:mm") : QStringLiteral("yyyy-MM-dd HH:mm"));
}

RegisterView::Source RegisterView::Freshness() {
  if (!target_) return {};
  const std::optional<QString> synced = SyncNotes::Get(local_, SyncNotes::Name(*target_, QStringLiteral("synced")));
  const std::optional<QString> failing = SyncNotes::Get(local_, SyncNotes::Name(*target_, QStringLiteral("failing")));
  Source source;
  source.problem = SyncNotes::Get(local_, SyncNotes::Name(*target_, QStringLiteral("problem"))).value_or(QString());
  QStringList parts;
  if (failing) parts << QStringLiteral("rejestr wspólny nieosiągalny od %1").arg(TimeText(failing->toLongLong()));
  parts << (synced ? QStringLiteral("stan z %1").arg(TimeText(synced->toLongLong()))
                   : QStringLiteral("jeszcze nie zsynchronizowano z rejestrem wspólnym"));
  source.notice = parts.join(QStringLiteral("; "));
  return source;
}

RegisterView::Listing RegisterView::Search(const QString& text, int limit, qint64 offset) {
  return {Installations(local_).Search(text, limit, offset), Freshness()};
}

RegisterView::Changes RegisterView::ChangesOf(const QString& installation) {
  return {InstallationChanges::Of(InstallationChanges::Local(local_, installation)), Freshness()};
}

RegisterView::Entry RegisterView::Shown(const QString& uuid, Secrets secrets) {
  Entry entry{Configurations(local_).Shown(uuid, secrets), Freshness()};
  if (entry.shown && secrets == Secrets::Shown && !Configurations(local_).HasSecrets(uuid)) {
    entry.shown->password = Configurations::Mask;
    entry.shown->record.setValue(ItemIndex::Pin, Configurations::Mask);
    entry.source.notice = QStringLiteral("Ta rola rejestru wspólnego nie ma dostępu do haseł dostępu i kodów PIN");
  }
  return entry;
}

PendingCount RegisterView::Pending() { return target_ ? RegisterSync::Pending(local_, *target_) : PendingCount{}; }

QString RegisterView::State() {
  if (!target_) return QStringLiteral("Rejestr tego komputera");
  const Source source = Freshness();
  QString state = QStringLiteral("Rejestr wspólny %1: %2, do wysłania: %3").arg(target_->Url(), source.notice).arg(Pending().Total());
  // As the last sync found the connection.
  if (const std::optional<QString> encrypted = SyncNotes::Get(local_, SyncNotes::Name(*target_, QStringLiteral("encrypted"))))
    state += *encrypted == u"1" ? QStringLiteral(", szyfrowane") : QStringLiteral(", bez szyfrowania");
  if (!source.problem.isEmpty()) state += QStringLiteral(" (%1)").arg(source.problem);
  return state;
}
