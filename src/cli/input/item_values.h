#pragma once
// Item values by their stable keys, in their readable forms (field_rules.h): printed, put into
// JSON, typed as KEY=VALUE and compared as the window would show them.
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include "cli_error.h"
#include "config_file.h"
#include "config_record.h"
#include "field_rules.h"
#include "item_transfer.h"
#include "record_compare.h"

namespace Keyed {

QString Key(int item);
// The item of a key; throws CliError (status given) naming the place and the key when there is none.
int ItemOfKey(const QString& key, const QString& place, ExitStatus status);

ItemValues FromRecord(const ConfigRecord& record);
// All 29 items must be there.
ConfigRecord ToRecord(const ItemValues& values);

// "key=value" lines, in item order, control characters escaped.
QStringList Lines(const ItemValues& values);
QJsonObject Json(const ItemValues& values);

// A value typed by a person, checked with the window's field rules; throws CliError (status
// given) naming the place and the key. Nothing is corrected.
QByteArray Parse(int item, const QString& typed, const QString& place, ExitStatus status);
// KEY=VALUE arguments; a key given twice is refused. Throws CliError (Usage).
ItemValues ParseAssignments(const QStringList& arguments);

// The window's rules between the option boxes and the firmware (FieldRules::BrokenOptionRule),
// when the values hold the options; throws CliError (status given) naming the rule.
void CheckOptionRules(const ItemValues& values, const FieldRules::FirmwareAllows& firmware, ExitStatus status);

// A configuration file as "password=" and the "key=value" lines; as JSON, "password" and "items".
QStringList FileLines(const ConfigFile& file);
QJsonObject FileJson(const ConfigFile& file);

// Compared as the window would show them (record_compare.h).
using Difference = ItemDifference;
// Items present in both that differ, in item order.
QList<Difference> Differences(const ItemValues& a, const ItemValues& b);
// "key: LABELA "x", LABELB "y"", control characters escaped
QString DifferenceLine(const Difference& d, const QString& labelA, const QString& labelB);
QJsonArray DifferencesJson(const QList<Difference>& differences, const QString& nameA, const QString& nameB);

}  // namespace Keyed
