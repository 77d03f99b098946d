#pragma once
// The configuration history's folder brought into the register, entry by entry, the folder left
// as it was. Each entry's UUID follows from its file name, so that importing again, or the
// same folder into another register, adds nothing twice.
#include <QString>
#include <QStringList>
#include <optional>

class RegisterStore;

struct ImportReport {
  int imported = 0;
  int present = 0;         // kept already
  QStringList unreadable;  // files (or the folder) that could not be read; tried again next time
};

namespace HistoryImport {

QString EntryUuid(const QString& fileName);

// What an entry kept in the folder while the register could not take it carries besides its
// name: who kept it and the installation it belongs to (its UUID; empty for none).
struct Owner {
  QString technician;
  QString installation;
};
// The note HistoryStore keeps beside the entry, and read back; an unreadable note tells nothing.
QByteArray NoteOf(const Owner& owner);
Owner OwnerOf(const QByteArray& note);

// Every entry of the folder that the register lacks. Throws RegisterFault.
ImportReport Import(RegisterStore& store, const QString& folder);
// The same when the folder changed since its last import (or was never imported); nullopt when
// it did not, or is missing.
std::optional<ImportReport> ImportIfChanged(RegisterStore& store, const QString& folder);

}  // namespace HistoryImport
