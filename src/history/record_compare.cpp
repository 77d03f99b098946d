#include "record_compare.h"

#include "field_rules.h"

std::optional<ItemDifference> CompareItem(int k, const QByteArray& a, const QByteArray& b) {
  const ConfigItem& item = ConfigItems[size_t(k)];
  ItemDifference difference{k, FieldRules::FormatItemValue(item, a), FieldRules::FormatItemValue(item, b)};
  if (difference.a == difference.b) return std::nullopt;
  return difference;
}

QList<ItemDifference> CompareRecords(const ConfigRecord& a, const ConfigRecord& b) {
  QList<ItemDifference> found;
  for (int k = 0; k < Cmd::ItemCount; ++k)
    if (std::optional<ItemDifference> d = CompareItem(k, a.value(k), b.value(k))) found.append(*d);
  return found;
}
