#pragma once
// The configuration history as both front ends list it: the register's entries, newest first;
// while the register cannot be opened, the history folder's files, with the reason.
#include <QList>
#include <QString>
#include <optional>

#include "config_file.h"
#include "configurations.h"
#include "history_store.h"

class RegisterKeeper;

struct HistoryRow {
  QString uuid;  // in the register; empty for a file of the history folder
  ListedEntry listed;
  QString installation;  // its UUID; empty while it belongs to none
};

struct HistoryListing {
  QList<HistoryRow> rows;
  QString place;    // the register's file, or the folder listed instead
  QString warning;  // why the register was not read (Polish); empty when it was
  QString error;    // why nothing could be listed (Polish)
};

namespace RegisterHistory {

HistoryListing List(RegisterKeeper& keeper, const ConfigurationScope& scope = {});

// The entry's configuration; nullopt with *error (Polish) when it cannot be read or loaded.
std::optional<ConfigFile> Load(RegisterKeeper& keeper, const HistoryRow& row, QString* error);

}  // namespace RegisterHistory
