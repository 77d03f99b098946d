#include "register_keeper.h"

#include <QDeadlineTimer>
#include <QThread>

#include "configurations.h"
#include "history_import.h"
#include "installations.h"
#include "register_fault.h"
#include "system_error.h"
#include "technician.h"

namespace {

constexpr unsigned long BusyRetryMs = 20;

// `step` run again while the register is busy, for as long as a write may wait: SQLite answers
// "busy" at once, without its wait, where two programs open or migrate the register together.
// The step opens the register afresh each time, which looks at the file again.
template <typename Step>
auto WhileBusy(int waitMs, Step step) {
  const QDeadlineTimer deadline(waitMs);
  for (;;) {
    try {
      return step();
    } catch (const RegisterFault& fault) {
      if (fault.kind() != RegisterFault::Kind::Busy || deadline.hasExpired()) throw;
    }
    QThread::msleep(BusyRetryMs);
  }
}

std::unique_ptr<RegisterStore> OpenOnce(const RegisterStore::Options& options, const QString& historyFolder) {
  auto store = std::make_unique<RegisterStore>(options);
  if (store->MigratedFrom() > 0) Installations(*store).RefreshAll();
  HistoryImport::ImportIfChanged(*store, historyFolder);
  return store;
}

}  // namespace

std::unique_ptr<RegisterStore> OpenRegister(const RegisterStore::Options& options, const QString& historyFolder) {
  return WhileBusy(options.busyTimeoutMs, [&] { return OpenOnce(options, historyFolder); });
}

RegisterKeeper::RegisterKeeper(RegisterStore::Options options, QString historyFolder)
    : options_(std::move(options)), historyFolder_(std::move(historyFolder)) {}

RegisterKeeper::~RegisterKeeper() = default;

RegisterStore* RegisterKeeper::Store(QString* warning) {
  if (!store_) {
    try {
      store_ = OpenRegister(options_, historyFolder_);
    } catch (const RegisterFault& fault) {
      *warning = fault.message();
    }
  }
  return store_.get();
}

std::optional<RegisterKeeper::Kept> RegisterKeeper::Keep(const EntryLabel& label, const ConfigFile& file,
                                                         const QString& installation, QString* warning) {
  warning->clear();
  const QString technician = Technician::Name();
  try {
    return WhileBusy(options_.busyTimeoutMs, [&] {
      try {
        if (!store_) store_ = OpenOnce(options_, historyFolder_);
        return Kept{Configurations(*store_).Keep(label, file, technician, installation), {}};
      } catch (const RegisterFault&) {
        // Opened afresh next time, which looks at the file again before writing to it.
        store_.reset();
        throw;
      }
    });
  } catch (const RegisterFault& fault) {
    *warning = fault.message();
  }
  QString failure;
  const HistoryStore history(historyFolder_);
  const QByteArray note = HistoryImport::NoteOf({technician, installation});
  if (const std::optional<QString> name = history.Keep(label, file, &failure, note)) {
    *warning += QStringLiteral("; konfigurację zapisano w pliku %1").arg(history.PathOf(*name));
    return Kept{{}, history.PathOf(*name)};
  }
  *warning += QStringLiteral("; nie zapisano też historii konfiguracji (%1)").arg(failure);
  return std::nullopt;
}

ConnectionHistory::Keeper HistoryKeeper(RegisterKeeper& keeper, KeptInRegister kept) {
  return [&keeper, kept = std::move(kept)](const EntryLabel& label, const ConfigFile& file, const QString& installation) {
    QString warning;
    const std::optional<RegisterKeeper::Kept> where = keeper.Keep(label, file, installation, &warning);
    if (where && !where->uuid.isEmpty() && kept) kept(where->uuid, label);
    return KeepOutcome{where.has_value(), warning};
  };
}
