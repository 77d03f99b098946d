#pragma once
// The commands of velt-cli: their arguments and options, their handlers, and the help text.
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include "controller_visit.h"
#include "item_transfer.h"

using CommandHandler = ExitStatus (*)(Context& context);

struct CommandRule {
  const char* name;
  int minArguments;
  int maxArguments;  // -1: any number
  QStringList options;  // long names, besides the common ones
  CommandHandler run;
};

// The command of the line, with its arguments and options checked; throws CliError (Usage).
const CommandRule& CheckCommand(const CliOptions& options);

QString HelpText();
// One command's entry of the help and the common options; the whole help for an unknown command.
QString CommandHelp(const QString& command);

// The words of a kind for the shell's completion, one a line: "commands", "keys", or "options"
// (those of the line's command, or every command's without one). Throws CliError (Usage) for
// another kind.
QString CompletionWords(const CliOptions& options);

// Handlers, one file each group.
ExitStatus RunPorts(Context& context);
ExitStatus RunStatus(Context& context);
ExitStatus RunRead(Context& context);
ExitStatus RunWrite(Context& context);
ExitStatus RunGet(Context& context);
ExitStatus RunSet(Context& context);
ExitStatus RunShow(Context& context);
ExitStatus RunDiff(Context& context);
ExitStatus RunPasswd(Context& context);
ExitStatus RunRestart(Context& context);
ExitStatus RunResetCounters(Context& context);
ExitStatus RunFirmware(Context& context);
ExitStatus RunProvision(Context& context);
ExitStatus RunHistory(Context& context);
// The report is drawn with QtGui, which this library does not link: velt-cli's program hands
// its handler in. Without one, the command fails with a message.
ExitStatus RunReport(Context& context);
void SetReportHandler(CommandHandler handler);
ExitStatus RunSites(Context& context);
ExitStatus RunSite(Context& context);
ExitStatus RunCompany(Context& context);
ExitStatus RunRegister(Context& context);
// write --dry-run and set --dry-run: the controller read, what writing the values would change
// shown, nothing written. typed: the values come from the command line, and the rules between
// the option boxes and the firmware are checked as for a write. head goes into the JSON result.
ExitStatus RunDryRun(Context& context, const ItemValues& values, bool typed, const QJsonObject& head);
