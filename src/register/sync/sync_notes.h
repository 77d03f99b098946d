#pragma once
// What the local register notes of its syncs with a shared register, each note per server
// (SharedTarget::Place): how far it sent and brought, which register it last met, when it last
// synced, and since when the server has not answered.
#include <QString>
#include <optional>

#include "register_choice.h"
#include "register_store.h"

namespace SyncNotes {

inline QString Name(const SharedTarget& target, const QString& what) { return what + u' ' + target.Place(); }

inline std::optional<QString> Get(RegisterStore& local, const QString& note) {
  const auto row = local.Row(QStringLiteral("SELECT value FROM register_notes WHERE note = ?"), {note});
  if (!row) return std::nullopt;
  return row->at(0).toString();
}

inline qint64 Number(RegisterStore& local, const QString& note) { return Get(local, note).value_or(QString()).toLongLong(); }

inline void Set(RegisterStore& local, const QString& note, const QString& value) {
  local.Run(QStringLiteral("INSERT INTO register_notes (note, value) VALUES (?, ?) "
                           "ON CONFLICT (note) DO UPDATE SET value = excluded.value"),
            {note, value});
}

inline void Remove(RegisterStore& local, const QString& note) {
  local.Run(QStringLiteral("DELETE FROM register_notes WHERE note = ?"), {note});
}

}  // namespace SyncNotes
