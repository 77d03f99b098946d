#include "window_register.h"

#include <QTimer>

#include "background_sync.h"
#include "configurations.h"
#include "register_fault.h"
#include "technician.h"

WindowRegister::WindowRegister(RegisterKeeper& keeper, QObject* parent)
    : QObject(parent), choice_(RegisterChoice::Current()), keeper_(keeper) {
  if (choice_.shared) {
    sync_ = new BackgroundSync(options_, *choice_.shared, this);
    connect(sync_, &BackgroundSync::Finished, this, &WindowRegister::Synced);
    // What other computers send comes in while the window is open.
    auto* every = new QTimer(this);
    connect(every, &QTimer::timeout, this, &WindowRegister::Sync);
    every->start(SyncEveryMs);
  }
}

WindowRegister::~WindowRegister() = default;

RegisterStore* WindowRegister::Store(QString* warning) {
  return keeper_.Store(warning);
}

RegisterView* WindowRegister::View(QString* warning) {
  RegisterStore* store = Store(warning);
  if (store && !view_) view_ = std::make_unique<RegisterView>(*store, choice_.shared);
  return view_.get();
}

void WindowRegister::Kept(const QString& uuid, const EntryLabel& label, const QString& installation) {
  connectionEntries_ << uuid;
  if (installation.isEmpty() && label.kind == EntryKind::Read) {
    QString warning;
    if (RegisterStore* store = Store(&warning)) {
      try {
        offer_ = Configurations(*store).MatchingInstallation(label.phone1, label.smsCentre).value_or(QString());
      } catch (const RegisterFault& fault) {
        emit Notice(fault.message());
      }
    }
  }
  Sync();
  emit Changed();
}

void WindowRegister::AssignConnection(const QString& installation) {
  QString warning;
  RegisterStore* store = Store(&warning);
  if (!store) throw RegisterFault(RegisterFault::Kind::Unavailable, warning);
  Configurations configurations(*store);
  RegisterStore::Transaction transaction(*store);
  for (const QString& uuid : std::as_const(connectionEntries_)) configurations.Assign(uuid, installation, Technician::Name());
  transaction.Commit();
  offer_.clear();
  Sync();
  emit Changed();
}

void WindowRegister::EndConnection() {
  connectionEntries_.clear();
  offer_.clear();
  emit Changed();
}

void WindowRegister::Sync() {
  if (sync_) sync_->Start();
}

std::optional<qint64> WindowRegister::Pending() {
  QString warning;
  RegisterStore* store = choice_.shared ? Store(&warning) : nullptr;
  if (!store) return std::nullopt;
  try {
    return RegisterSync::Pending(*store, *choice_.shared).Total();
  } catch (const RegisterFault&) {
    return std::nullopt;
  }
}

void WindowRegister::Synced(const SyncReport& report) {
  if (!report.error.isEmpty() || !report.notices.isEmpty()) emit Notice(RegisterSync::Summary(report));
  emit Changed();
}
