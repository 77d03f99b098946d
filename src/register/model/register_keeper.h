#pragma once
// Where the transfers keep their configurations: the register, opened on first use with the
// history folder's new entries brought in. While the register cannot take an entry (damaged,
// held by another program too long, ...) the entry goes into the history folder as a file, as
// before, and comes into the register on its next use; the transfer goes on either way.
#include <QString>
#include <memory>
#include <optional>

#include "config_file.h"
#include "connection_history.h"
#include "entry_name.h"
#include "history_store.h"
#include "register_store.h"

// Opens the register and imports what the history folder holds that it lacks (only when the
// folder changed since), trying again while another program holds it, for as long as a write
// may wait. Throws RegisterFault.
std::unique_ptr<RegisterStore> OpenRegister(const RegisterStore::Options& options = {},
                                            const QString& historyFolder = HistoryStore::DefaultFolder());

class RegisterKeeper {
 public:
  explicit RegisterKeeper(RegisterStore::Options options = {}, QString historyFolder = HistoryStore::DefaultFolder());
  ~RegisterKeeper();

  struct Kept {
    QString uuid;  // in the register; empty when kept as a file
    QString file;  // the history folder's file otherwise
  };
  // Keeps the entry, by the technician of Technician::Name(). *warning tells why the register
  // did not take it (and, when nothing could be kept, why the folder did not either); it is
  // cleared when the register took it. Nullopt when it was kept nowhere.
  std::optional<Kept> Keep(const EntryLabel& label, const ConfigFile& file, const QString& installation,
                           QString* warning);

  // The open register (opened as OpenRegister does); null with *warning set when it cannot be
  // opened now.
  RegisterStore* Store(QString* warning);
  const RegisterStore::Options& Options() const { return options_; }
  const QString& HistoryFolder() const { return historyFolder_; }

 private:
  RegisterStore::Options options_;
  QString historyFolder_;
  std::unique_ptr<RegisterStore> store_;
};

// A connection's history keeping its entries through `keeper`; `kept` is told each time the
// register took one, with the entry's UUID there.
using KeptInRegister = std::function<void(const QString& uuid, const EntryLabel& label)>;
ConnectionHistory::Keeper HistoryKeeper(RegisterKeeper& keeper, KeptInRegister kept = {});
