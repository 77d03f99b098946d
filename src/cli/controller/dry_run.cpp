// write --dry-run, set --dry-run: the items read from the controller and compared with what a
// write would send. No write request goes out.
#include "command_line.h"
#include "command_table.h"
#include "console.h"
#include "item_values.h"
#include "native_name.h"
#include "session.h"

ExitStatus RunDryRun(Context& context, const ItemValues& values, bool typed, const QJsonObject& head) {
  if (context.options.verify)
    throw CliError(ExitStatus::Usage, QStringLiteral("--dry-run nie zapisuje, więc nie łączy się z --verify"));
  return VisitController(context, [&](Session& session) {
    if (typed) Keyed::CheckOptionRules(values, session.FirmwareAllows(), ExitStatus::Usage);
    const ItemValues device = ItemTransfer::Read(session, values.keys(), context.console);
    const QList<Keyed::Difference> changes = Keyed::Differences(device, values);
    Console& console = context.console;
    if (console.Json()) {
      QJsonObject result = head;
      result.insert(QStringLiteral("port"), NameFromBytes(session.path()));
      result.insert(QStringLiteral("firmware"), session.FirmwareCaption());
      result.insert(QStringLiteral("same"), changes.isEmpty());
      result.insert(QStringLiteral("changes"), Keyed::DifferencesJson(changes, QStringLiteral("device"), QStringLiteral("write")));
      console.Result(result);
    } else if (changes.isEmpty()) {
      console.Result(QStringLiteral("Zapis niczego nie zmieni"));
    } else {
      console.Result(QStringLiteral("Zapis zmieni pozycji: %1").arg(changes.size()));
      for (const Keyed::Difference& d : changes)
        console.Result(QStringLiteral("  ") + Keyed::DifferenceLine(d, QStringLiteral("sterownik"), QStringLiteral("zapis")));
    }
    return changes.isEmpty() ? ExitStatus::Done : ExitStatus::Differences;
  });
}
