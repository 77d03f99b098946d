#include "configurations.h"

#include <QUuid>

#include "installations.h"
#include "register_fault.h"
#include "register_store.h"

namespace {

const QString Columns =
    QStringLiteral("uuid, taken_ms, utc_offset, kind, port, firmware, phone1, sms_centre, technician, installation");

Configuration ConfigurationAt(const QVariantList& r) {
  const QString kind = r[3].toString();
  return {r[0].toString(),
          {QDateTime::fromMSecsSinceEpoch(r[1].toLongLong(), Qt::OffsetFromUTC, r[2].toInt()),
           EntryKind(kind.isEmpty() ? char(EntryKind::Read) : kind[0].toLatin1()), r[4].toByteArray(), r[5].toString(),
           r[6].toByteArray(), r[7].toByteArray()},
          r[8].toString(),
          r[9].toString()};
}

QString Where(const ConfigurationScope& scope) {
  switch (scope.kind) {
    case ConfigurationScope::All: return {};
    case ConfigurationScope::OfInstallation: return QStringLiteral(" WHERE installation = ?");
    case ConfigurationScope::Unassigned: return QStringLiteral(" WHERE installation IS NULL");
  }
  return {};
}

QVariantList Bindings(const ConfigurationScope& scope) {
  return scope.kind == ConfigurationScope::OfInstallation ? QVariantList{scope.installation} : QVariantList{};
}

RegisterFault Unknown(const QString& what) {
  return {RegisterFault::Kind::Refused, QStringLiteral("Nie ma w rejestrze %1").arg(what)};
}

}  // namespace

QString Configurations::Keep(const EntryLabel& label, const ConfigFile& file, const QString& technician,
                             const QString& installation) {
  const QString uuid = QUuid::createUuid().toString(QUuid::WithoutBraces);
  KeepBytes(uuid, label, EncodeConfigFile(file), technician, installation);
  return uuid;
}

bool Configurations::KeepBytes(const QString& uuid, const EntryLabel& label, const QByteArray& bytes,
                               const QString& technician, const QString& installation) {
  RegisterStore::Transaction transaction(store_);
  if (Has(uuid)) return false;
  store_.Run(QStringLiteral("INSERT INTO configurations (uuid, taken_ms, utc_offset, kind, port, firmware, phone1, "
                            "sms_centre, technician, installation, kept_installation, bytes) "
                            "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
             {uuid, label.time.toMSecsSinceEpoch(), label.time.offsetFromUtc(), QString(QChar(char16_t(label.kind))),
              Bound(label.port), Bound(label.firmware), Bound(label.phone1), Bound(label.smsCentre), Bound(technician),
              BoundOrNull(installation), BoundOrNull(installation), Bound(bytes)});
  if (!installation.isEmpty()) RefreshInstallation(installation);
  transaction.Commit();
  return true;
}

bool Configurations::Has(const QString& uuid) {
  return store_.Row(QStringLiteral("SELECT 1 FROM configurations WHERE uuid = ?"), {uuid}).has_value();
}

bool Configurations::HasSecrets(const QString& uuid) {
  return store_.Row(QStringLiteral("SELECT 1 FROM configurations WHERE uuid = ? AND secrets = 1"), {uuid}).has_value();
}

QList<Configuration> Configurations::Newest(const ConfigurationScope& scope, int limit, qint64 offset) {
  QList<Configuration> found;
  for (const QVariantList& row :
       store_.Rows(QStringLiteral("SELECT %1 FROM configurations%2 ORDER BY taken_ms DESC, id DESC LIMIT ? OFFSET ?")
                       .arg(Columns, Where(scope)),
                   Bindings(scope) << limit << offset))
    found.append(ConfigurationAt(row));
  return found;
}

QList<Configurations::Checked> Configurations::NewestChecked(const ConfigurationScope& scope, int limit, qint64 offset) {
  QList<Checked> found;
  const QList<QVariantList> rows =
      store_.Rows(QStringLiteral("SELECT %1, bytes FROM configurations%2 ORDER BY taken_ms DESC, id DESC LIMIT ? OFFSET ?")
                      .arg(Columns, Where(scope)),
                  Bindings(scope) << limit << offset);
  found.reserve(rows.size());
  for (const QVariantList& row : rows)
    found.append({ConfigurationAt(row), DecodeConfigFile(row.back().toByteArray()).has_value()});
  return found;
}

qint64 Configurations::Count(const ConfigurationScope& scope) {
  return store_.Row(QStringLiteral("SELECT count(*) FROM configurations%1").arg(Where(scope)), Bindings(scope))
      .value()
      .at(0)
      .toLongLong();
}

std::optional<Configuration> Configurations::Get(const QString& uuid) {
  const auto row = store_.Row(QStringLiteral("SELECT %1 FROM configurations WHERE uuid = ?").arg(Columns), {uuid});
  if (!row) return std::nullopt;
  return ConfigurationAt(*row);
}

std::optional<QByteArray> Configurations::Bytes(const QString& uuid) {
  const auto row = store_.Row(QStringLiteral("SELECT bytes FROM configurations WHERE uuid = ?"), {uuid});
  if (!row) return std::nullopt;
  return row->at(0).toByteArray();
}

std::optional<ShownConfiguration> Configurations::Shown(const QString& uuid, Secrets secrets) {
  const std::optional<Configuration> entry = Get(uuid);
  const std::optional<QByteArray> bytes = Bytes(uuid);
  if (!entry || !bytes) return std::nullopt;
  std::optional<ConfigFile> file = DecodeConfigFile(*bytes);
  if (!file) return std::nullopt;
  if (secrets == Secrets::Hidden) {
    file->password = Mask;
    file->record.setValue(ItemIndex::Pin, Mask);
  }
  return ShownConfiguration{*entry, file->password, file->record};
}

void Configurations::Assign(const QString& uuid, const QString& installation, const QString& technician) {
  RegisterStore::Transaction transaction(store_);
  if (!Get(uuid)) throw Unknown(QStringLiteral("takiego wpisu"));
  if (!installation.isEmpty() && !Installations(store_).Get(installation)) throw Unknown(QStringLiteral("takiej instalacji"));
  const auto seen = store_.Row(QStringLiteral("SELECT max(clock) FROM assignments WHERE configuration = ?"), {uuid});
  KeepAssignment({QUuid::createUuid().toString(QUuid::WithoutBraces), uuid, installation, store_.NowMs(), technician,
                  HybridClock::Next(store_.NowMs(), seen ? seen->at(0).toLongLong() : 0)},
                 false);
  transaction.Commit();
}

bool Configurations::KeepAssignment(const Assignment& a, bool brought) {
  RegisterStore::Transaction transaction(store_);
  if (store_.Row(QStringLiteral("SELECT 1 FROM assignments WHERE uuid = ?"), {a.uuid})) return false;
  store_.Run(QStringLiteral("INSERT INTO assignments (uuid, configuration, installation, assigned_ms, assigned_by, clock, "
                            "brought) VALUES (?, ?, ?, ?, ?, ?, ?)"),
             {a.uuid, a.configuration, BoundOrNull(a.installation), a.ms, Bound(a.by), a.clock, brought ? 1 : 0});
  FoldAssignments(a.configuration);
  transaction.Commit();
  return true;
}

void Configurations::FoldAssignments(const QString& uuid) {
  const auto entry = store_.Row(QStringLiteral("SELECT installation, kept_installation FROM configurations WHERE uuid = ?"), {uuid});
  if (!entry) return;  // an assignment may come before its entry; the entry folds it then
  const auto newest = store_.Row(QStringLiteral("SELECT installation FROM assignments WHERE configuration = ? "
                                                "ORDER BY clock DESC, uuid DESC LIMIT 1"),
                                 {uuid});
  const QString now = newest ? newest->at(0).toString() : entry->at(1).toString();
  const QString was = entry->at(0).toString();
  if (now == was) return;
  store_.Run(QStringLiteral("UPDATE configurations SET installation = ? WHERE uuid = ?"), {BoundOrNull(now), uuid});
  // An installation not here yet is refreshed when it comes.
  for (const QString& installation : {now, was})
    if (!installation.isEmpty()) Installations(store_).Refresh(installation);
}

void Configurations::RefreshInstallation(const QString& installation) {
  if (!Installations(store_).Refresh(installation)) throw Unknown(QStringLiteral("takiej instalacji"));
}

std::optional<QString> Configurations::MatchingInstallation(const QByteArray& phone1, const QByteArray& smsCentre) {
  if (phone1.isEmpty()) return std::nullopt;
  const QList<QVariantList> rows =
      store_.Rows(QStringLiteral("SELECT i.uuid FROM configurations c JOIN installations i "
                                 "ON i.latest_configuration = c.uuid WHERE c.phone1 = ? AND c.sms_centre = ? LIMIT 2"),
                  {Bound(phone1), Bound(smsCentre)});
  if (rows.size() != 1) return std::nullopt;
  return rows[0][0].toString();
}
