#include "connection_history.h"

#include <QDateTime>

#include "history_store.h"

ConnectionHistory::ConnectionHistory(Facts facts, Warn warn) : facts_(std::move(facts)), warn_(std::move(warn)) {}

void ConnectionHistory::Downloaded(const ConfigRecord& record) {
  held_ = HeldRecord{record, EntryKind::Read, Keep(EntryKind::Read, record)};
}

void ConnectionHistory::Uploaded(const ConfigRecord& record) {
  if (held_ && !held_->kept) Keep(held_->kind, held_->record);
  held_ = HeldRecord{record, EntryKind::Written, Keep(EntryKind::Written, record)};
}

void ConnectionHistory::Forget() { held_.reset(); }

void ConnectionHistory::BeforeFirmware() {
  if (held_) Keep(EntryKind::BeforeFirmware, held_->record);
  held_.reset();
}

bool ConnectionHistory::Keep(EntryKind kind, const ConfigRecord& record) {
  const EntryFacts facts = facts_();
  // Entries of one connection never share a millisecond, so that they list in the order made.
  QDateTime now = QDateTime::currentDateTime();
  if (lastTime_.isValid() && now <= lastTime_) now = lastTime_.addMSecs(1);
  lastTime_ = now;
  const EntryLabel label{now, kind, facts.port, facts.firmware,
                         TextOfValue(record.value(ItemIndex::Phone1)), TextOfValue(record.value(ItemIndex::SmsCentre))};
  QString failure;
  const ConfigFile file{facts.password, record};
  if (const std::optional<QString> name = HistoryStore().Keep(label, file, &failure)) {
    warned_ = false;
    if (kept_) kept_(*name, label, file);
    return true;
  }
  if (!warned_) warn_(QStringLiteral("Nie zapisano historii konfiguracji (%1)").arg(failure));
  warned_ = true;
  return false;
}
