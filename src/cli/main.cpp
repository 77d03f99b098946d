// velt-cli: the VELT controller's configuration from a script, on the same layers as the window.
#include <QGuiApplication>
#include <QTemporaryDir>
#include <csignal>
#include <cstdio>
#include <memory>

#include "command_line.h"
#include "command_table.h"
#include "console.h"
#include "file_size_signal.h"
#include "interrupts.h"
#include "native_name.h"
#include "report_command.h"
#include "standard_streams.h"
#include "version.h"
#include "workshop.h"

namespace {

// Qt reads the command line as UTF-8 and replaces bytes that are not: a file name in another
// encoding would come back as another name. The arguments keep their bytes instead.
QStringList Arguments(int argc, char** argv) {
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments.append(NameFromBytes(argv[i]));
  return arguments;
}

int Fail(const CliError& error, bool json, bool quiet) {
  Console console(json, quiet);
  console.Error(error.message);
  try {
    if (json)
      console.Result(QJsonObject{{QStringLiteral("error"), error.message}, {QStringLiteral("status"), int(error.status)}});
    CloseResults();
  } catch (const CliError&) {
    // The error is told on standard error already.
  }
  return int(error.status);
}

// A report draws its PDF with QtGui, which needs a QGuiApplication (on the offscreen platform
// unless one is chosen: no display is needed); every other command runs on QtCore alone.
std::unique_ptr<QCoreApplication> MakeApplication(int& argc, char** argv, const QStringList& arguments) {
  bool report = false;
  try {
    const CliOptions options = ParseCommandLine(arguments);
    report = options.command == u"report" && !options.help && !options.version && !options.given.contains(QStringLiteral("complete"));
  } catch (const CliError&) {
    // Told once the application runs.
  }
  if (!report) return std::make_unique<QCoreApplication>(argc, argv);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Without a runtime folder (a cron job, a su shell), Qt would warn of it in English and fall
  // back to a shared one in /tmp: a private one lives as long as the report.
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    static QTemporaryDir runtime;
    if (runtime.isValid()) qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
  }
  SetReportHandler(RunHandoverReport);
  return std::make_unique<QGuiApplication>(argc, argv);
}

}  // namespace

int main(int argc, char** argv) {
  StandardStreams::Occupy();
  FileSizeSignal::Ignore();
  Interrupts::BlockSignals();
  // A reader that went away (velt-cli ... | head) makes writes fail with EPIPE, told as any
  // other failed write, after the logout.
  std::signal(SIGPIPE, SIG_IGN);
  const QStringList arguments = Arguments(argc, argv);
  const std::unique_ptr<QCoreApplication> app = MakeApplication(argc, argv, arguments);
  CliOptions options;
  try {
    options = ParseCommandLine(arguments);
  } catch (const CliError& error) {
    return Fail(error, arguments.contains(QStringLiteral("--json")), false);
  }
  try {
    // Answers that need neither a port nor a controller.
    const auto answer = [](const QString& text) {
      Console(false, false).Result(text);
      CloseResults();
      return int(ExitStatus::Done);
    };
    if (options.command == u"help" && options.arguments.size() == 1) return answer(CommandHelp(options.arguments.front()));
    if (options.command == u"help" || (options.help && options.command.isEmpty())) return answer(HelpText());
    if (options.help) return answer(CommandHelp(options.command));
    if (options.given.contains(QStringLiteral("complete"))) return answer(CompletionWords(options));
    if (options.version) return answer(VersionText(QStringLiteral("velt-cli")));
    const CommandRule& command = CheckCommand(options);
    Console console(options.json, options.quiet);
    Interrupts interrupts;
    Context context{options, console, interrupts};
    const ExitStatus status = ManyPorts(options) ? RunWorkshop(context) : command.run(context);
    CloseResults();
    return int(status);
  } catch (const CliError& error) {
    return Fail(error, options.json, options.quiet);
  } catch (const std::exception& error) {
    return Fail(CliError(ExitStatus::Error, QString::fromUtf8(error.what())), options.json, options.quiet);
  }
}
