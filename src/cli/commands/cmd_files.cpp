// show, diff: configuration files, history entries and the connected controller, by key.
#include "command_line.h"
#include "command_table.h"
#include "config_source.h"
#include "console.h"
#include "history_entries.h"
#include "item_values.h"
#include "session.h"

namespace {

const QString DeviceSide = QStringLiteral("device");

ExitStatus Compare(Console& console, const QString& nameA, const ItemValues& a, const QString& nameB, const ItemValues& b) {
  const QList<Keyed::Difference> differences = Keyed::Differences(a, b);
  if (console.Json()) {
    console.Result(QJsonObject{{QStringLiteral("a"), nameA},
                               {QStringLiteral("b"), nameB},
                               {QStringLiteral("same"), differences.isEmpty()},
                               {QStringLiteral("differences"), Keyed::DifferencesJson(differences, QStringLiteral("a"), QStringLiteral("b"))}});
  } else if (differences.isEmpty()) {
    console.Result(QStringLiteral("Brak różnic"));
  } else {
    for (const Keyed::Difference& d : differences) console.Result(Keyed::DifferenceLine(d, nameA, nameB));
  }
  return differences.isEmpty() ? ExitStatus::Done : ExitStatus::Differences;
}

}  // namespace

ExitStatus RunShow(Context& context) {
  const QString path = context.options.arguments.front();
  const ConfigFile file = LoadConfigFile(path);
  if (context.console.Json()) {
    QJsonObject result = Keyed::FileJson(file);
    result.insert(QStringLiteral("file"), path);
    context.console.Result(result);
    return ExitStatus::Done;
  }
  for (const QString& line : Keyed::FileLines(file)) context.console.Result(line);
  return ExitStatus::Done;
}

ExitStatus RunDiff(Context& context) {
  const QString nameA = context.options.arguments[0], nameB = context.options.arguments[1];
  const bool deviceA = nameA == DeviceSide, deviceB = nameB == DeviceSide;
  if (deviceA && deviceB)
    throw CliError(ExitStatus::Usage, QStringLiteral("diff: tylko jedna strona może być sterownikiem ('device')"));
  // Both files are read and tested before the controller is asked anything.
  const ItemValues a = deviceA ? ItemValues() : Keyed::FromRecord(HistoryEntries::LoadFileOrEntry(nameA, context.console, context.options.site).record);
  const ItemValues b = deviceB ? ItemValues() : Keyed::FromRecord(HistoryEntries::LoadFileOrEntry(nameB, context.console, context.options.site).record);
  if (!deviceA && !deviceB) return Compare(context.console, nameA, a, nameB, b);
  return VisitController(context, [&](Session& session) {
    const ItemValues device = ItemTransfer::Read(session, ItemTransfer::AllItems(), context.console);
    return Compare(context.console, nameA, deviceA ? device : a, nameB, deviceB ? device : b);
  });
}
