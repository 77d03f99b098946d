#include "item_values.h"

#include "cli_error.h"
#include "console.h"
#include "field_rules.h"

namespace Keyed {

QString Key(int item) { return QLatin1String(ConfigItems[size_t(item)].key); }

int ItemOfKey(const QString& key, const QString& place, ExitStatus status) {
  if (const ConfigItem* item = ConfigItemByKey(key.toUtf8())) return item->index;
  const QString why = QStringLiteral("nieznany klucz '%1' (lista kluczy: velt-cli --help)").arg(key);
  throw CliError(status, place.isEmpty() ? why : place + QStringLiteral(": ") + why);
}

ItemValues FromRecord(const ConfigRecord& record) {
  ItemValues values;
  for (int k = 0; k < Cmd::ItemCount; ++k) values.insert(k, record.value(k));
  return values;
}

ConfigRecord ToRecord(const ItemValues& values) {
  ConfigRecord record;
  for (int k = 0; k < Cmd::ItemCount; ++k) record.setValue(k, values.value(k));
  return record;
}

QStringList Lines(const ItemValues& values) {
  QStringList lines;
  for (auto it = values.cbegin(); it != values.cend(); ++it)
    lines.append(Key(it.key()) + u'=' + Escaped(FieldRules::FormatItemValue(ConfigItems[size_t(it.key())], it.value())));
  return lines;
}

QJsonObject Json(const ItemValues& values) {
  QJsonObject object;
  for (auto it = values.cbegin(); it != values.cend(); ++it)
    object.insert(Key(it.key()), FieldRules::FormatItemValue(ConfigItems[size_t(it.key())], it.value()));
  return object;
}

QByteArray Parse(int item, const QString& typed, const QString& place, ExitStatus status) {
  QString why;
  const std::optional<QByteArray> value = FieldRules::ParseItemValue(ConfigItems[size_t(item)], typed, &why);
  if (!value) throw CliError(status, place.isEmpty() ? why : place + QStringLiteral(": ") + why);
  return *value;
}

ItemValues ParseAssignments(const QStringList& arguments) {
  ItemValues values;
  for (const QString& argument : arguments) {
    const qsizetype eq = argument.indexOf(u'=');
    if (eq < 0)
      throw CliError(ExitStatus::Usage, QStringLiteral("'%1' bez wartości: podaj KLUCZ=WARTOŚĆ").arg(argument));
    const int item = ItemOfKey(argument.left(eq), QString(), ExitStatus::Usage);
    if (values.contains(item))
      throw CliError(ExitStatus::Usage, QStringLiteral("klucz '%1' podany dwa razy").arg(Key(item)));
    values.insert(item, Parse(item, argument.mid(eq + 1), QString(), ExitStatus::Usage));
  }
  CheckOptionRules(values, {}, ExitStatus::Usage);
  return values;
}

void CheckOptionRules(const ItemValues& values, const FieldRules::FirmwareAllows& firmware, ExitStatus status) {
  if (!values.contains(ItemIndex::Options)) return;
  const QString broken = FieldRules::BrokenOptionRule(values.value(ItemIndex::Options), firmware);
  if (!broken.isEmpty()) throw CliError(status, broken);
}

QStringList FileLines(const ConfigFile& file) {
  return QStringList{QStringLiteral("password=") + Escaped(QString::fromLatin1(file.password))} + Lines(FromRecord(file.record));
}

QJsonObject FileJson(const ConfigFile& file) {
  return {{QStringLiteral("password"), QString::fromLatin1(file.password)},
          {QStringLiteral("items"), Json(FromRecord(file.record))}};
}

QList<Difference> Differences(const ItemValues& a, const ItemValues& b) {
  QList<Difference> found;
  for (auto it = a.cbegin(); it != a.cend(); ++it)
    if (b.contains(it.key()))
      if (std::optional<Difference> d = CompareItem(it.key(), it.value(), b.value(it.key()))) found.append(*d);
  return found;
}

QString DifferenceLine(const Difference& d, const QString& labelA, const QString& labelB) {
  return QStringLiteral("%1: %2 \"%3\", %4 \"%5\"").arg(Key(d.item), labelA, Escaped(d.a), labelB, Escaped(d.b));
}

QJsonArray DifferencesJson(const QList<Difference>& differences, const QString& nameA, const QString& nameB) {
  QJsonArray array;
  for (const Difference& d : differences)
    array.append(QJsonObject{{QStringLiteral("key"), Key(d.item)}, {nameA, d.a}, {nameB, d.b}});
  return array;
}

}  // namespace Keyed
