// report: the handover PDF, made by the handler velt-cli's program hands in (report_command.h).
#include "command_table.h"

namespace {
CommandHandler& Handler() {
  static CommandHandler handler = nullptr;
  return handler;
}
}  // namespace

void SetReportHandler(CommandHandler handler) { Handler() = handler; }

ExitStatus RunReport(Context& context) {
  if (!Handler()) throw CliError(ExitStatus::Error, QStringLiteral("ten program nie tworzy raportów PDF"));
  return Handler()(context);
}
