#include "installations.h"

#include <QUuid>

#include "config_file.h"
#include "cp1250.h"
#include "native_name.h"
#include "installation_changes.h"
#include "register_fault.h"
#include "register_store.h"
#include "search_key.h"

namespace {

constexpr int ColumnCount = 10;

// The fields are kept as the bytes of their names (native_name.h), so that a name read from a
// file in another encoding comes back byte for byte.
QVariant NameBound(const QString& name) { return Bound(NameBytes(name)); }
QString NameAt(const QVariant& value) { return NameFromBytes(value.toByteArray()); }

Installation InstallationAt(const QVariantList& r) {
  return {r[0].toString(),
          {NameAt(r[1]), NameAt(r[2]), NameAt(r[3]), NameAt(r[4]), NameAt(r[5])},
          QDateTime::fromMSecsSinceEpoch(r[6].toLongLong()),
          QDateTime::fromMSecsSinceEpoch(r[8].toLongLong()),
          r[7].toString(),
          r[9].toString()};
}

// The shortest text the index of three-character parts finds.
constexpr int IndexedLength = 3;

// The folded text as one phrase of the index, which finds it as a part of the search text.
QString IndexPhrase(QString folded) { return u'"' + folded.replace(u'"', QStringLiteral("\"\"")) + u'"'; }

void RefuseSite(const QString& site) {
  if (site.trimmed().isEmpty())
    throw RegisterFault(RegisterFault::Kind::Refused, QStringLiteral("Instalacja musi mieć identyfikator"));
}

}  // namespace

const QString Installations::Columns = QStringLiteral(
    "i.uuid, i.site, i.name, i.address, i.contact, i.notes, i.created_ms, i.created_by, i.changed_ms, i.changed_by");
const QString Installations::ListedColumns =
    Columns + QStringLiteral(", i.latest_configuration, c.taken_ms, c.utc_offset, c.firmware, c.technician");

QString Installations::LikePattern(const QString& folded) {
  QString pattern = QStringLiteral("%");
  for (const QChar c : folded) {
    if (c == u'\\' || c == u'%' || c == u'_') pattern += u'\\';
    pattern += c;
  }
  return pattern + u'%';
}

QString Installations::SearchText(const InstallationFields& f, const QByteArray& newest) {
  QStringList parts{f.site, f.name, f.address, f.contact, f.notes};
  if (const std::optional<ConfigFile> file = DecodeConfigFile(newest))
    for (const int item : {int(ItemIndex::Phone1), ItemIndex::Phone1 + 1, ItemIndex::Phone1 + 2, ItemIndex::Phone1 + 3,
                           int(ItemIndex::SmsCentre)})
      parts << Cp1250::Decode(TextOfValue(file->record.value(item)));
  return SearchKey(parts.join(u'\n'));
}

FieldEdit FieldEdit::Between(const InstallationFields& before, const InstallationFields& after) {
  FieldEdit edit{0, after};
  for (int f = 0; f < Count; ++f)
    if (before.*Members[f] != after.*Members[f]) edit.mask |= 1 << f;
  return edit;
}

RegisterFault Installations::Taken(const Installation& holder) {
  return {RegisterFault::Kind::Refused, QStringLiteral("Instalacja %1 już jest w rejestrze: %2")
                                            .arg(holder.fields.site, holder.fields.name.isEmpty() ? holder.uuid : holder.fields.name)};
}

QString Installations::Add(const InstallationFields& fields, const QString& technician) {
  RefuseSite(fields.site);
  RegisterStore::Transaction transaction(store_);
  if (const std::optional<Installation> holder = BySite(fields.site)) throw Taken(*holder);
  const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
  const qint64 now = store_.NowMs();
  store_.Run(QStringLiteral("INSERT INTO installations (uuid, site, name, address, contact, notes, created_ms, "
                            "created_by, changed_ms, changed_by, search_text) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {uuid, NameBound(fields.site), NameBound(fields.name), NameBound(fields.address), NameBound(fields.contact),
              NameBound(fields.notes), now, Bound(technician), now, Bound(technician), QStringLiteral("")});
  NoteEdit(uuid, {FieldEdit::All, fields}, technician);
  Refresh(uuid);
  transaction.Commit();
  return uuid;
}

void Installations::Edit(const QString& uuid, const FieldEdit& edit, const QString& technician) {
  if (edit.Sets(0)) RefuseSite(edit.values.site);
  RegisterStore::Transaction transaction(store_);
  if (!Get(uuid)) throw RegisterFault(RegisterFault::Kind::Refused, QStringLiteral("Nie ma takiej instalacji w rejestrze"));
  if (edit.Sets(0)) {
    const std::optional<Installation> holder = BySite(edit.values.site);
    if (holder && holder->uuid != uuid) throw Taken(*holder);
  }
  if (edit.mask == 0) return;
  NoteEdit(uuid, edit, technician);
  Refresh(uuid);
  transaction.Commit();
}

qint64 Installations::NextClock(const QString& uuid) {
  const auto row = store_.Row(QStringLiteral("SELECT max(clock) FROM installation_edits WHERE installation = ?"), {uuid});
  return HybridClock::Next(store_.NowMs(), row ? row->at(0).toLongLong() : 0);
}

void Installations::NoteEdit(const QString& uuid, const FieldEdit& edit, const QString& technician) {
  KeepEdit(uuid, {QUuid::createUuid().toString(QUuid::WithoutBraces), NextClock(uuid), store_.NowMs(), technician, edit, 0},
           false);
}

bool Installations::KeepEdit(const QString& installation, const InstallationEdit& e, bool brought) {
  const InstallationFields& f = e.edit.values;
  if (store_.Row(QStringLiteral("SELECT 1 FROM installation_edits WHERE uuid = ?"), {e.uuid})) return false;
  store_.Run(QStringLiteral("INSERT INTO installation_edits (uuid, installation, edited_ms, edited_by, site, name, "
                            "address, contact, notes, fields, clock, received_ms, brought) "
                            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {e.uuid, installation, e.ms, Bound(e.by), NameBound(f.site), NameBound(f.name), NameBound(f.address),
              NameBound(f.contact), NameBound(f.notes), e.edit.mask, e.clock, e.receivedMs ? QVariant(e.receivedMs) : QVariant(),
              brought ? 1 : 0});
  return true;
}

std::optional<Installation> Installations::Get(const QString& uuid) {
  const auto row = store_.Row(QStringLiteral("SELECT %1 FROM installations i WHERE i.uuid = ?").arg(Columns), {uuid});
  if (!row) return std::nullopt;
  return InstallationAt(*row);
}

std::optional<Installation> Installations::BySite(const QString& site) {
  const auto row = store_.Row(QStringLiteral("SELECT %1 FROM installations i WHERE i.site = ?").arg(Columns), {NameBound(site)});
  if (!row) return std::nullopt;
  return InstallationAt(*row);
}

QList<ListedInstallation> Installations::Search(const QString& text, int limit, qint64 offset) {
  const QString select = QStringLiteral(
      "SELECT %1%3 FROM installations i "
      "LEFT JOIN configurations c ON c.uuid = i.latest_configuration WHERE %2 "
      "ORDER BY i.latest_ms DESC, i.id DESC LIMIT ? OFFSET ?");
  const QString folded = SearchKey(text);
  // The index finds a text that few installations have at once, but would list every one of
  // many: those are read through from the most recently visited, which soon fills a page.
  if (folded.size() >= IndexedLength) {
    const QList<QVariantList> rows = store_.Rows(
        QStringLiteral("WITH found AS MATERIALIZED (SELECT rowid AS id FROM installation_search "
                       "WHERE installation_search MATCH ? LIMIT ?) ")
            + select.arg(ListedColumns, QStringLiteral("i.id IN (SELECT id FROM found)"),
                         QStringLiteral(", (SELECT count(*) FROM found)")),
        {IndexPhrase(folded), commonCount_, limit, offset});
    const bool few = rows.isEmpty() ? offset == 0 : rows[0].last().toInt() < commonCount_;
    if (few) return Listed(rows);
  }
  return Listed(store_.Rows(select.arg(ListedColumns, QStringLiteral("i.search_text LIKE ? ESCAPE '\\'"), QString()),
                            {LikePattern(folded), limit, offset}));
}

QList<ListedInstallation> Installations::Listed(const QList<QVariantList>& rows) {
  QList<ListedInstallation> found;
  for (const QVariantList& r : rows) {
    ListedInstallation listed;
    listed.installation = InstallationAt(r);
    listed.latestConfiguration = r[ColumnCount].toString();
    if (!listed.latestConfiguration.isEmpty()) {
      listed.lastVisit = QDateTime::fromMSecsSinceEpoch(r[ColumnCount + 1].toLongLong(), Qt::OffsetFromUTC,
                                                        r[ColumnCount + 2].toInt());
      listed.firmware = r[ColumnCount + 3].toString();
      listed.technician = r[ColumnCount + 4].toString();
    }
    found.append(std::move(listed));
  }
  return found;
}

bool Installations::Refresh(const QString& uuid) {
  const std::optional<Installation> installation = Get(uuid);
  if (!installation) return false;
  const QList<InstallationEdit> edits = InstallationChanges::Local(store_, uuid);
  InstallationFields fields = installation->fields;
  qint64 changedMs = installation->changed.toMSecsSinceEpoch();
  QString changedBy = installation->changedBy;
  if (!edits.isEmpty()) {
    const InstallationChanges::Merged merged = InstallationChanges::Merge(edits);
    fields = merged.fields;
    changedMs = merged.changedMs;
    changedBy = merged.changedBy;
    // A site another installation holds here stays with it: the shared register tells which
    // installation keeps a site, and the other is merged into it at the sync.
    const std::optional<Installation> holder = fields.site.trimmed().isEmpty() ? std::nullopt : BySite(fields.site);
    if (fields.site.trimmed().isEmpty() || (holder && holder->uuid != uuid)) fields.site = installation->fields.site;
  }
  const auto newest = store_.Row(QStringLiteral("SELECT uuid, taken_ms, bytes FROM configurations WHERE installation = ? "
                                                "ORDER BY taken_ms DESC, id DESC LIMIT 1"),
                                 {uuid});
  const QVariant latest = newest ? newest->at(0) : QVariant();
  const qint64 latestMs = newest ? newest->at(1).toLongLong() : 0;
  const QString search = SearchText(fields, newest ? newest->at(2).toByteArray() : QByteArray());
  store_.Run(QStringLiteral("UPDATE installations SET site = ?, name = ?, address = ?, contact = ?, notes = ?, changed_ms = ?, "
                            "changed_by = ?, latest_configuration = ?, latest_ms = ?, search_text = ? WHERE uuid = ?"),
             {NameBound(fields.site), NameBound(fields.name), NameBound(fields.address), NameBound(fields.contact),
              NameBound(fields.notes), changedMs, Bound(changedBy), latest, latestMs, search, uuid});
  return true;
}

void Installations::RefreshAll() {
  RegisterStore::Transaction transaction(store_);
  for (const QVariantList& row : store_.Rows(QStringLiteral("SELECT uuid FROM installations"))) Refresh(row[0].toString());
  transaction.Commit();
}

qint64 Installations::Count() {
  return store_.Row(QStringLiteral("SELECT count(*) FROM installations")).value().at(0).toLongLong();
}
