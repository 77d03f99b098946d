#include "register_history.h"

#include <limits>

#include "file_check.h"
#include "register_fault.h"
#include "register_keeper.h"

namespace {

HistoryRow RowOf(const Configurations::Checked& checked) {
  const EntryLabel& label = checked.entry.label;
  ListedEntry listed{EntryFileName(label), {label, 0, 1, label.time.toMSecsSinceEpoch()}, 0, true, checked.loads};
  return {checked.entry.uuid, std::move(listed), checked.entry.installation};
}

}  // namespace

namespace RegisterHistory {

HistoryListing List(RegisterKeeper& keeper, const ConfigurationScope& scope) {
  HistoryListing listing;
  if (RegisterStore* store = keeper.Store(&listing.warning)) {
    try {
      for (const Configurations::Checked& c :
           Configurations(*store).NewestChecked(scope, std::numeric_limits<int>::max()))
        listing.rows.append(RowOf(c));
      listing.place = store->Path();
      return listing;
    } catch (const RegisterFault& fault) {
      listing.rows.clear();
      listing.warning = fault.message();
    }
  }
  // Only the register knows which installation an entry belongs to.
  if (scope.kind != ConfigurationScope::All) {
    listing.error = listing.warning;
    return listing;
  }
  const HistoryStore folder(keeper.HistoryFolder());
  listing.place = folder.Folder();
  for (ListedEntry& entry : folder.List(&listing.error)) listing.rows.append({{}, std::move(entry), {}});
  return listing;
}

std::optional<ConfigFile> Load(RegisterKeeper& keeper, const HistoryRow& row, QString* error) {
  std::optional<QByteArray> bytes;
  if (row.uuid.isEmpty()) {
    const FileCheck::Result read = FileCheck::ReadAndCheck(HistoryStore(keeper.HistoryFolder()).PathOf(row.listed.fileName),
                                                           ConfigFileFormat::ConfigSignature);
    if (read.readOk()) bytes = read.bytes;
  } else if (RegisterStore* store = keeper.Store(error)) {
    try {
      bytes = Configurations(*store).Bytes(row.uuid);
    } catch (const RegisterFault& fault) {
      *error = fault.message();
      return std::nullopt;
    }
  } else {
    return std::nullopt;
  }
  std::optional<ConfigFile> file = bytes ? DecodeConfigFile(*bytes) : std::nullopt;
  if (!file) *error = QStringLiteral("Wpisu historii nie da się wczytać: jest uszkodzony albo go nie ma");
  return file;
}

}  // namespace RegisterHistory
