#pragma once
// What the transfers of one connection leave in the configuration history, and what its
// controller holds as far as they tell: the record of the last complete download or upload.
// A download keeps what was read; an upload keeps what was written, and what the controller held
// before it if that is not kept yet; a firmware update keeps what the controller held before it.
// Where the entries go is the keeper's business (the history folder unless another is given).
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

// What keeping an entry came to: kept somewhere, and what the user is to hear of it.
struct KeepOutcome {
  bool kept = false;
  QString warning;  // empty when all went as it should
};

class ConnectionHistory {
 public:
  using Facts = std::function<EntryFacts()>;
  using Warn = std::function<void(const QString& message)>;
  // installation: the UUID of the installation the entry belongs to; empty for none.
  using Keeper = std::function<KeepOutcome(const EntryLabel& label, const ConfigFile& file, const QString& installation)>;

  ConnectionHistory(Facts facts, Warn warn, Keeper keeper = FolderKeeper());

  // The history folder of HistoryStore.
  static Keeper FolderKeeper();

  // The entries kept from now on belong to this installation (empty: to none).
  void SetInstallation(const QString& uuid) { installation_ = uuid; }
  const QString& Installation() const { return installation_; }

  void Downloaded(const ConfigRecord& record);
  void Uploaded(const ConfigRecord& record);
  // Nothing is known of the controller any more: a new connection, or an upload that broke off
  // (the controller may hold any of its items).
  void Forget();
  // A new connection: also what it found is forgotten.
  void NewConnection();
  // Firmware is about to go in, which may leave the controller with another configuration.
  void BeforeFirmware();

  // What the controller holds; null when this connection does not know.
  const ConfigRecord* Held() const { return held_ ? &held_->record : nullptr; }
  // What the first complete download of this connection found: the controller as the visit
  // began, for the report of what the visit changed. Null when nothing was downloaded.
  const ConfigRecord* Found() const { return found_ ? &*found_ : nullptr; }

 private:
  bool Keep(EntryKind kind, const ConfigRecord& record);

  struct HeldRecord {
    ConfigRecord record;
    EntryKind kind;
    bool kept;
  };
  Facts facts_;
  Warn warn_;
  Keeper keeper_;
  QString installation_;
  std::optional<HeldRecord> held_;
  std::optional<ConfigRecord> found_;
  QDateTime lastTime_;  // of the last entry made
  bool warned_ = false;
};
