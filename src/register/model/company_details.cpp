#include "company_details.h"

#include <QUuid>

#include "hybrid_clock.h"

namespace {

// The fields as the table names them, and where each lives in the details.
struct Field {
  const char* key;
  QString CompanyDetails::*text;
  std::optional<QString> CompanyEdit::*edit;
};
constexpr Field TextFields[] = {{"name", &CompanyDetails::name, &CompanyEdit::name},
                                {"address", &CompanyDetails::address, &CompanyEdit::address},
                                {"phone", &CompanyDetails::phone, &CompanyEdit::phone},
                                {"email", &CompanyDetails::email, &CompanyEdit::email},
                                {"tax_id", &CompanyDetails::taxId, &CompanyEdit::taxId}};
constexpr char LogoKey[] = "logo";

}  // namespace

CompanyRegister::CompanyRegister(RegisterStore& store) : store_(store) {}

CompanyDetails CompanyRegister::Current() {
  CompanyDetails details;
  // The newest edit of each field by the logical clock; the UUID settles edits of one clock value.
  const QList<QVariantList> rows = store_.Rows(QStringLiteral(
      "SELECT e.field, e.value FROM company_edits e WHERE NOT EXISTS (SELECT 1 FROM company_edits n WHERE "
      "n.field = e.field AND (n.clock > e.clock OR (n.clock = e.clock AND n.uuid > e.uuid)))"));
  for (const QVariantList& row : rows) {
    const QString field = row[0].toString();
    if (field == QLatin1String(LogoKey)) details.logo = row[1].toByteArray();
    for (const Field& f : TextFields)
      if (field == QLatin1String(f.key)) details.*f.text = QString::fromUtf8(row[1].toByteArray());
  }
  return details;
}

void CompanyRegister::Edit(const CompanyEdit& edit, const QString& technician) {
  RegisterStore::Transaction transaction(store_);
  // Append-only, as the other facts: an edit is always later than every edit this register had seen.
  const qint64 now = store_.NowMs();
  const auto latest = store_.Row(QStringLiteral("SELECT max(clock) FROM company_edits"));
  const qint64 clock = HybridClock::Next(now, latest ? latest->at(0).toLongLong() : 0);
  const auto note = [&](const char* field, const QByteArray& value) {
    store_.Run(QStringLiteral("INSERT INTO company_edits (uuid, field, value, clock, edited_ms, edited_by) VALUES (?, ?, ?, ?, ?, ?)"),
               {QUuid::createUuid().toString(QUuid::WithoutBraces), QString::fromLatin1(field), Bound(value), clock, now,
                Bound(technician)});
  };
  for (const Field& f : TextFields)
    if (const std::optional<QString>& value = edit.*f.edit) note(f.key, value->toUtf8());
  if (edit.logo) note(LogoKey, *edit.logo);
  transaction.Commit();
}
