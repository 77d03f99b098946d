#include "register_view.h"

#include "register_fault.h"
#include "register_store.h"
#include "shared_installations.h"
#include "shared_store.h"

RegisterView::RegisterView(RegisterStore& local, std::optional<SharedTarget> target)
    : local_(local), target_(std::move(target)) {}

RegisterView::~RegisterView() = default;

void RegisterView::Lost(const QString& problem, Source* source) {
  shared_.reset();
  lastProblem_ = problem;
  pause_ = QDeadlineTimer(RetryAfterMs);
  source->shared = false;
  source->notice = QLatin1String(OfflineNotice);
  source->problem = problem;
}

SharedStore* RegisterView::Shared(Source* source) {
  if (!target_) return nullptr;
  if (!shared_) {
    if (!pause_.hasExpired()) {
      Lost(lastProblem_, source);
      return nullptr;
    }
    try {
      shared_ = std::make_unique<SharedStore>(*target_);
    } catch (const RegisterFault& fault) {
      Lost(fault.message(), source);
      return nullptr;
    }
  }
  source->shared = true;
  return shared_.get();
}

// The shared register's answer, else this computer's with the reason.
template <typename Answer, typename Remote, typename Here>
Answer RegisterView::Ask(Remote remote, Here here) {
  Answer answer;
  if (SharedStore* shared = Shared(&answer.source)) {
    try {
      remote(*shared, answer);
      return answer;
    } catch (const RegisterFault& fault) {
      Lost(fault.message(), &answer.source);
    }
  }
  here(answer);
  return answer;
}

RegisterView::Listing RegisterView::Search(const QString& text, int limit, qint64 offset) {
  return Ask<Listing>(
      [&](SharedStore& shared, Listing& l) { l.installations = SharedInstallations::Search(shared, text, limit, offset); },
      [&](Listing& l) { l.installations = Installations(local_).Search(text, limit, offset); });
}

RegisterView::Changes RegisterView::ChangesOf(const QString& installation) {
  return Ask<Changes>(
      [&](SharedStore& shared, Changes& c) {
        c.changes = InstallationChanges::Of(SharedInstallations::Edits(shared, installation));
      },
      [&](Changes& c) { c.changes = InstallationChanges::Of(InstallationChanges::Local(local_, installation)); });
}

RegisterView::Entry RegisterView::Shown(const QString& uuid, Secrets secrets) {
  Configurations here(local_);
  if (here.Has(uuid)) return {here.Shown(uuid, secrets), {}};
  return Ask<Entry>(
      [&](SharedStore& shared, Entry& e) {
        const bool readable = secrets == Secrets::Shown && shared.CanReadSecrets();
        const auto row = shared.Row(
            readable ? QStringLiteral("SELECT c.taken_ms, c.utc_offset, c.kind, c.port, c.firmware, c.phone1, c.sms_centre, "
                                      "c.technician, c.installation, COALESCE(s.bytes, c.bytes) FROM configurations c "
                                      "LEFT JOIN configuration_secrets s ON s.configuration = c.uuid WHERE c.uuid = ?")
                     : QStringLiteral("SELECT c.taken_ms, c.utc_offset, c.kind, c.port, c.firmware, c.phone1, c.sms_centre, "
                                      "c.technician, c.installation, c.bytes FROM configurations c WHERE c.uuid = ?"),
            {uuid});
        if (!row) return;
        const QVariantList& r = *row;
        std::optional<ConfigFile> file = DecodeConfigFile(r[9].toByteArray());
        if (!file) return;
        const QString kind = r[2].toString();
        const Configuration entry{uuid,
                                  {QDateTime::fromMSecsSinceEpoch(r[0].toLongLong(), Qt::OffsetFromUTC, r[1].toInt()),
                                   EntryKind(kind.isEmpty() ? char(EntryKind::Read) : kind[0].toLatin1()),
                                   r[3].toByteArray(), r[4].toString(), r[5].toByteArray(), r[6].toByteArray()},
                                  r[7].toString(),
                                  r[8].toString()};
        if (!readable) {
          file->password = Configurations::Mask;
          file->record.setValue(ItemIndex::Pin, Configurations::Mask);
          if (secrets == Secrets::Shown)
            e.source.notice = QStringLiteral("Ta rola rejestru wspólnego nie ma dostępu do haseł dostępu i kodów PIN");
        }
        e.shown = ShownConfiguration{entry, file->password, file->record};
      },
      [&](Entry&) {});
}

PendingCount RegisterView::Pending() { return target_ ? RegisterSync::Pending(local_, *target_) : PendingCount{}; }

QString RegisterView::State() {
  if (!target_) return QStringLiteral("Rejestr tego komputera");
  Source source;
  const QString pending = QStringLiteral("do wysłania: %1").arg(Pending().Total());
  if (Shared(&source)) {
    QString state = QStringLiteral("Rejestr wspólny %1: połączony, %2, %3")
                        .arg(target_->Url(), shared_->Encrypted() ? QStringLiteral("szyfrowane") : QStringLiteral("bez szyfrowania"),
                             pending);
    if (!shared_->CanReadSecrets()) state += QStringLiteral("; bez dostępu do haseł i kodów PIN");
    if (!shared_->SearchNotice().isEmpty()) state += QStringLiteral("; ") + shared_->SearchNotice();
    return state;
  }
  return QStringLiteral("Rejestr wspólny %1: %2 (%3), %4").arg(target_->Url(), source.notice, source.problem, pending);
}
