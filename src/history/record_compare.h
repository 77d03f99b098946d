#pragma once
// Two configurations compared item by item as the window shows them: a text ends at its first
// NUL, and flag bits that no box owns are not looked at.
#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

#include "config_record.h"

struct ItemDifference {
  int item;
  QString a, b;  // the readable forms (field_rules.h)
};

// Nullopt when item k shows the same in both.
std::optional<ItemDifference> CompareItem(int k, const QByteArray& a, const QByteArray& b);
// The items that differ, in item order.
QList<ItemDifference> CompareRecords(const ConfigRecord& a, const ConfigRecord& b);
