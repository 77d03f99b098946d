// read, write, get, set: configuration items between the controller, files and the command line.
#include "command_line.h"
#include "command_table.h"
#include "config_source.h"
#include "console.h"
#include "native_name.h"
#include "read_folder.h"
#include "session.h"
#include "write_verify.h"

namespace {

QJsonObject Base(const Session& session) {
  return {{QStringLiteral("port"), NameFromBytes(session.path())},
          {QStringLiteral("firmware"), session.FirmwareCaption()}};
}

void ShowItems(Console& console, const ItemValues& values, QJsonObject result) {
  if (console.Json()) {
    result.insert(QStringLiteral("items"), Keyed::Json(values));
    console.Result(result);
    return;
  }
  for (const QString& line : Keyed::Lines(values)) console.Result(line);
}

void ShowOutcome(Console& console, const WriteOutcome& outcome, QJsonObject result) {
  if (console.Json()) {
    outcome.AddTo(result);
    console.Result(result);
    return;
  }
  for (const QString& line : outcome.Lines()) console.Result(line);
}

}  // namespace

ExitStatus RunRead(Context& context) {
  const QString output = context.options.output;
  const QByteArray password = LoginPassword(context.options);
  const bool toStdout = output == u"-";
  if (toStdout && context.console.Json())
    throw CliError(ExitStatus::Usage, QStringLiteral("-o - (plik na standardowe wyjście) nie łączy się z --json"));
  const bool intoFolder = IsFolder(output);
  if (intoFolder) CheckReadFolder(output);
  else if (!output.isEmpty() && !toStdout) CheckCanSave(output, context.options.force);
  return VisitController(context, [&](Session& session) {
    const ItemValues values = ItemTransfer::Read(session, ItemTransfer::AllItems(), context.console);
    QJsonObject result = Base(session);
    if (toStdout) {
      WriteResult(EncodeConfigFile(ConfigFile{password, Keyed::ToRecord(values)}));
      return ExitStatus::Done;
    }
    if (!output.isEmpty()) {
      // The file holds the password that logged in, as the window's password field does.
      const ConfigFile file{password, Keyed::ToRecord(values)};
      const QString saved = intoFolder ? SaveIntoFolder(output, session.path(), file) : output;
      if (!intoFolder) SaveConfigFile(output, file);
      context.console.Info(QStringLiteral("Zapisano plik konfiguracji %1").arg(saved));
      result.insert(QStringLiteral("file"), saved);
      if (!context.console.Json()) return ExitStatus::Done;
    }
    ShowItems(context.console, values, result);
    return ExitStatus::Done;
  });
}

ExitStatus RunWrite(Context& context) {
  const QString path = context.options.arguments.front();
  // The file's own access password is not used: the login takes --password or VELT_PASSWORD.
  const ConfigFile file = LoadConfigFile(path);
  if (context.options.dryRun) return RunDryRun(context, Keyed::FromRecord(file.record), false, {{QStringLiteral("file"), path}});
  return VisitController(context, [&](Session& session) {
    const WriteOutcome outcome = WriteItems(session, Keyed::FromRecord(file.record), context.options.verify, context.console);
    QJsonObject result = Base(session);
    result.insert(QStringLiteral("file"), path);
    ShowOutcome(context.console, outcome, result);
    return outcome.Status();
  });
}

ExitStatus RunGet(Context& context) {
  QList<int> items;
  for (const QString& key : context.options.arguments) {
    const int item = Keyed::ItemOfKey(key, QString(), ExitStatus::Usage);
    if (!items.contains(item)) items.append(item);
  }
  std::sort(items.begin(), items.end());
  return VisitController(context, [&](Session& session) {
    ShowItems(context.console, ItemTransfer::Read(session, items, context.console), Base(session));
    return ExitStatus::Done;
  });
}

ExitStatus RunSet(Context& context) {
  const ItemValues values = Keyed::ParseAssignments(context.options.arguments);
  if (context.options.dryRun) return RunDryRun(context, values, true, {});
  return VisitController(context, [&](Session& session) {
    Keyed::CheckOptionRules(values, session.FirmwareAllows(), ExitStatus::Usage);
    const WriteOutcome outcome = WriteItems(session, values, context.options.verify, context.console);
    ShowOutcome(context.console, outcome, Base(session));
    return outcome.Status();
  });
}
