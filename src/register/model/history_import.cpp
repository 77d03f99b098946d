#include "history_import.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>

#include <sys/stat.h>

#include "configurations.h"
#include "file_check.h"
#include "history_store.h"
#include "installations.h"
#include "register_store.h"

namespace {

// The namespace of the entries' name-based UUIDs.
const QUuid EntryNamespace(QStringLiteral("{5b0c7a3e-8f6d-4c21-9a57-3e1d2f9b6c40}"));

// What changes when a file comes into the folder or leaves it; empty when it is missing.
QString FolderStamp(const QString& folder) {
  struct stat info {};
  if (::stat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode)) return {};
  return QStringLiteral("%1:%2.%3").arg(info.st_ino).arg(info.st_mtim.tv_sec).arg(info.st_mtim.tv_nsec);
}

QString ImportNote(const QString& folder) { return QStringLiteral("history:") + folder; }

ImportReport Bring(RegisterStore& store, const QString& folder, const QString& stamp) {
  const HistoryStore history(folder);
  ImportReport report;
  QString listing;
  const QList<ListedEntry> entries = history.List(&listing);
  // A folder that cannot be listed is tried again next time, as an unreadable file is.
  if (!listing.isEmpty()) {
    report.unreadable << listing;
    return report;
  }
  Configurations configurations(store);
  RegisterStore::Transaction transaction(store);
  // Oldest first, so that entries of one millisecond keep the history's order.
  for (auto it = entries.crbegin(); it != entries.crend(); ++it) {
    if (!it->regular) continue;
    const QString uuid = HistoryImport::EntryUuid(it->fileName);
    if (configurations.Has(uuid)) {
      ++report.present;
      continue;
    }
    const FileCheck::Result read = FileCheck::ReadAndCheck(history.PathOf(it->fileName), ConfigFileFormat::ConfigSignature);
    if (read.fault == FileCheck::ReadFault::Open || read.fault == FileCheck::ReadFault::Read) {
      report.unreadable << history.PathOf(it->fileName);
      continue;
    }
    if (!read.readOk()) continue;  // too large to be a configuration file velt wrote
    EntryLabel label = it->name.label;
    // A number cut to fit the name is whole in the file.
    if (it->name.cut & (EntryName::CutPhone1 | EntryName::CutSmsCentre))
      if (const std::optional<ConfigFile> file = DecodeConfigFile(read.bytes)) {
        label.phone1 = TextOfValue(file->record.value(ItemIndex::Phone1));
        label.smsCentre = TextOfValue(file->record.value(ItemIndex::SmsCentre));
      }
    HistoryImport::Owner owner;
    if (const std::optional<QByteArray> note = history.Note(it->fileName)) owner = HistoryImport::OwnerOf(*note);
    // An installation this register does not know (the note came with the folder from elsewhere) is left out.
    if (!owner.installation.isEmpty() && !Installations(store).Get(owner.installation)) owner.installation.clear();
    configurations.KeepBytes(uuid, label, read.bytes, owner.technician, owner.installation);
    ++report.imported;
  }
  if (report.unreadable.isEmpty())
    store.Run(QStringLiteral("INSERT INTO register_notes (note, value) VALUES (?, ?) "
                             "ON CONFLICT (note) DO UPDATE SET value = excluded.value"),
              {ImportNote(folder), stamp});
  transaction.Commit();
  return report;
}

}  // namespace

namespace HistoryImport {

QString EntryUuid(const QString& fileName) {
  return QUuid::createUuidV5(EntryNamespace, fileName).toString(QUuid::WithoutBraces);
}

QByteArray NoteOf(const Owner& owner) {
  return QJsonDocument(QJsonObject{{QStringLiteral("technician"), owner.technician},
                                   {QStringLiteral("installation"), owner.installation}})
      .toJson(QJsonDocument::Compact);
}

Owner OwnerOf(const QByteArray& note) {
  const QJsonObject object = QJsonDocument::fromJson(note).object();
  return {object.value(QStringLiteral("technician")).toString(), object.value(QStringLiteral("installation")).toString()};
}

ImportReport Import(RegisterStore& store, const QString& folder) { return Bring(store, folder, FolderStamp(folder)); }

std::optional<ImportReport> ImportIfChanged(RegisterStore& store, const QString& folder) {
  // Taken before the listing: a file that comes in meanwhile changes it again.
  const QString stamp = FolderStamp(folder);
  if (stamp.isEmpty()) return std::nullopt;
  const auto row = store.Row(QStringLiteral("SELECT value FROM register_notes WHERE note = ?"), {ImportNote(folder)});
  if (row && row->at(0).toString() == stamp) return std::nullopt;
  return Bring(store, folder, stamp);
}

}  // namespace HistoryImport
