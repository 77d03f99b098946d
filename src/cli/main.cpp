// velt-cli: the VELT controller's configuration from a script, on the same layers as the window.
#include <QCoreApplication>
#include <QStringDecoder>
#include <csignal>
#include <cstdio>

#include "command_line.h"
#include "command_table.h"
#include "console.h"
#include "interrupts.h"
#include "version.h"

namespace {

// Qt reads the command line as UTF-8: a name in other bytes would come back as another name, so
// that a file would be created or looked for under a name that was never given.
void RefuseUndecodable(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8(QByteArrayView(argv[i]));
    if (utf8.hasError())
      throw CliError(ExitStatus::Usage, QStringLiteral("argument %1 (\"%2\") nie jest tekstem UTF-8; velt-cli nie "
                                                       "użyje innej nazwy niż podana").arg(i).arg(Escaped(text)));
  }
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

}  // namespace

int main(int argc, char** argv) {
  Interrupts::BlockSignals();
  // A reader that went away (velt-cli ... | head) makes writes fail with EPIPE, told as any
  // other failed write, after the logout.
  std::signal(SIGPIPE, SIG_IGN);
  QCoreApplication app(argc, argv);
  const QStringList arguments = app.arguments().mid(1);
  CliOptions options;
  try {
    RefuseUndecodable(argc, argv);
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
    if (options.command == u"help" || (options.help && options.command.isEmpty())) return answer(HelpText());
    if (options.help) return answer(CommandHelp(options.command));
    if (options.given.contains(QStringLiteral("complete"))) return answer(CompletionWords(options));
    if (options.version) return answer(VersionText(QStringLiteral("velt-cli")));
    const CommandRule& command = CheckCommand(options);
    Console console(options.json, options.quiet);
    Interrupts interrupts;
    Context context{options, console, interrupts};
    const ExitStatus status = command.run(context);
    CloseResults();
    return int(status);
  } catch (const CliError& error) {
    return Fail(error, options.json, options.quiet);
  } catch (const std::exception& error) {
    return Fail(CliError(ExitStatus::Error, QString::fromUtf8(error.what())), options.json, options.quiet);
  }
}
