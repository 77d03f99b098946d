#pragma once
// What the transfers of one connection leave in the configuration history, and what its
// controller holds as far as they tell: the record of the last complete download or upload.
// A download keeps what was read; an upload keeps what was written, and what the controller held
// before it if that is not kept yet; a firmware update keeps what the controller held before it.
// The history never holds up a transfer: a failure is told once, and again only after an entry
// was kept meanwhile.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <functional>
#include <optional>

#include "config_file.h"
#include "config_record.h"
#include "entry_name.h"

// What an entry says of its connection, asked for when the entry is kept.
struct EntryFacts {
  QByteArray port;
  QString firmware;     // empty when the login reported none
  QByteArray password;  // the access password, which a configuration file holds
};

class ConnectionHistory {
 public:
  using Facts = std::function<EntryFacts()>;
  using Warn = std::function<void(const QString& message)>;
  // An entry kept in the history folder under fileName, as it was kept.
  using Kept = std::function<void(const QString& fileName, const EntryLabel& label, const ConfigFile& file)>;

  ConnectionHistory(Facts facts, Warn warn);

  void Downloaded(const ConfigRecord& record);
  void Uploaded(const ConfigRecord& record);
  // Nothing is known of the controller any more: a new connection, or an upload that broke off
  // (the controller may hold any of its items).
  void Forget();
  // Firmware is about to go in, which may leave the controller with another configuration.
  void BeforeFirmware();

  // The installation (its UUID) that this connection's entries belong to; empty for none.
  void SetInstallation(const QString& uuid) { installation_ = uuid; }
  const QString& Installation() const { return installation_; }
  // Told of each entry kept, so that the register takes it.
  void OnKept(Kept kept) { kept_ = std::move(kept); }

  // What the controller holds; null when this connection does not know.
  const ConfigRecord* Held() const { return held_ ? &held_->record : nullptr; }

 private:
  bool Keep(EntryKind kind, const ConfigRecord& record);

  struct HeldRecord {
    ConfigRecord record;
    EntryKind kind;
    bool kept;
  };
  Facts facts_;
  Warn warn_;
  Kept kept_;
  QString installation_;
  std::optional<HeldRecord> held_;
  QDateTime lastTime_;  // of the last entry made
  bool warned_ = false;
};
