// register: where the installations register is and what it holds; register export DIR,
// register use URL|local, register sync [--full].
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>

#include <csignal>
#include <unistd.h>

#include "command_line.h"
#include "command_table.h"
#include "console.h"
#include "entry_export.h"
#include "register_fault.h"
#include "register_view.h"
#include "site_register.h"

namespace {

std::optional<SharedTarget> Chosen(Console& console) {
  const RegisterChoice::Choice choice = RegisterChoice::Current();
  if (!choice.problem.isEmpty()) console.Warn(choice.problem);
  return choice.shared;
}

ExitStatus State(Context& context) {
  Console& console = context.console;
  RegisterKeeper keeper;
  RegisterStore& store = SiteRegister::Open(keeper);
  RegisterView view(store, Chosen(console));
  qint64 installations = 0, entries = 0;
  try {
    installations = Installations(store).Count();
    entries = Configurations(store).Count({});
  } catch (const RegisterFault& fault) {
    throw CliError(ExitStatus::Error, fault.message());
  }
  const QString state = view.State();
  const PendingCount pending = view.Pending();
  if (console.Json()) {
    console.Result(QJsonObject{{QStringLiteral("register"), store.Path()},
                               {QStringLiteral("installations"), installations},
                               {QStringLiteral("entries"), entries},
                               {QStringLiteral("state"), state},
                               {QStringLiteral("pending"), pending.Total()}});
    return ExitStatus::Done;
  }
  console.Result(QStringLiteral("Rejestr instalacji: %1").arg(store.Path()));
  console.Result(QStringLiteral("Instalacji: %1, wpisów: %2").arg(installations).arg(entries));
  console.Result(state);
  return ExitStatus::Done;
}

// One folder under both names: the same one when both are there, else the same path.
bool SameFolder(const QString& a, const QString& b) {
  const QFileInfo first(a), second(b);
  if (first.exists() && second.exists()) return first.canonicalFilePath() == second.canonicalFilePath();
  return QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath());
}

ExitStatus Export(Context& context, const QString& folder) {
  RegisterKeeper keeper;
  // Its files come into the register on the next run: every entry would be there twice.
  if (SameFolder(folder, keeper.HistoryFolder()))
    throw CliError(ExitStatus::Usage, QStringLiteral("%1 to folder historii konfiguracji, którego wpisy są już w rejestrze: podaj inny folder")
                                          .arg(folder));
  if (!QDir().mkpath(folder)) throw CliError(ExitStatus::Error, QStringLiteral("nie można utworzyć folderu %1").arg(folder));
  Configurations configurations(SiteRegister::Open(keeper));
  QStringList written, present;
  try {
    constexpr int Page = 1000;
    for (qint64 offset = 0;; offset += Page) {
      const QList<Configuration> page = configurations.Newest({}, Page, offset);
      for (const Configuration& entry : page) {
        QString error;
        bool there = false;
        const std::optional<QString> name = ExportEntry(configurations, entry.uuid, folder, &error, &there);
        if (!name) throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(folder, error));
        (there ? present : written).append(*name);
      }
      if (page.size() < Page) break;
    }
  } catch (const RegisterFault& fault) {
    throw CliError(ExitStatus::Error, fault.message());
  }
  if (context.console.Json())
    context.console.Result(QJsonObject{{QStringLiteral("folder"), folder},
                                       {QStringLiteral("files"), QJsonArray::fromStringList(written)},
                                       {QStringLiteral("present"), QJsonArray::fromStringList(present)}});
  else
    context.console.Result(QStringLiteral("Zapisano plików: %1 w %2, już tam były: %3").arg(written.size()).arg(folder).arg(present.size()));
  return ExitStatus::Done;
}

ExitStatus Use(Context& context, const QString& text) {
  QString error;
  // A choice typed wrong is the command line's fault; one that cannot be kept is the file's.
  if (text != QLatin1String(RegisterChoice::Local) && !RegisterChoice::Parse(text, &error)) throw CliError(ExitStatus::Usage, error);
  if (!RegisterChoice::Use(text, &error)) throw CliError(ExitStatus::Error, error);
  context.console.Info(text == QLatin1String(RegisterChoice::Local) ? QStringLiteral("Rejestr tego komputera")
                                                                    : QStringLiteral("Rejestr wspólny %1").arg(text));
  if (qEnvironmentVariableIsSet(RegisterChoice::Variable))
    context.console.Warn(QStringLiteral("zmienna %1 ma pierwszeństwo przed tym wyborem").arg(QLatin1String(RegisterChoice::Variable)));
  return ExitStatus::Done;
}

// Ctrl-C or SIGTERM during a sync ends the program at once: the server cancels the transaction
// of a connection that went away, and the local register keeps its last committed state.
extern "C" void EndSync(int signal) { ::_exit(128 + signal); }

ExitStatus Sync(Context& context) {
  const std::optional<SharedTarget> target = Chosen(context.console);
  if (!target)
    throw CliError(ExitStatus::Error, QStringLiteral("nie wybrano rejestru wspólnego (velt-cli register use postgresql://...)"));
  RegisterKeeper keeper;
  SiteRegister::Open(keeper);
  SyncOptions options;
  options.full = context.options.full;
  // The program holds these signals blocked for its event loop; a sync waits outside of one.
  struct sigaction end = {};
  end.sa_handler = EndSync;
  struct sigaction previous[2];
  ::sigaction(SIGINT, &end, &previous[0]);
  ::sigaction(SIGTERM, &end, &previous[1]);
  sigset_t stop, blocked;
  sigemptyset(&stop);
  sigaddset(&stop, SIGINT);
  sigaddset(&stop, SIGTERM);
  ::pthread_sigmask(SIG_UNBLOCK, &stop, &blocked);
  const SyncReport report = RegisterSync::Run(keeper.Options(), *target, options);
  ::pthread_sigmask(SIG_SETMASK, &blocked, nullptr);
  ::sigaction(SIGINT, &previous[0], nullptr);
  ::sigaction(SIGTERM, &previous[1], nullptr);
  const QString summary = RegisterSync::Summary(report).simplified();
  if (!report.error.isEmpty()) throw CliError(ExitStatus::Error, summary);
  if (context.console.Json())
    context.console.Result(QJsonObject{{QStringLiteral("sent"), report.sent.Total()},
                                       {QStringLiteral("brought"), report.brought.Total()},
                                       {QStringLiteral("left"), report.left.Total()},
                                       {QStringLiteral("notices"), QJsonArray::fromStringList(report.notices)},
                                       {QStringLiteral("summary"), summary}});
  else
    context.console.Result(summary);
  return ExitStatus::Done;
}

}  // namespace

ExitStatus RunRegister(Context& context) {
  const QStringList& arguments = context.options.arguments;
  const QString form = arguments.value(0);
  if (context.options.full && form != u"sync")
    throw CliError(ExitStatus::Usage, QStringLiteral("--full przyjmuje tylko register sync"));
  if (arguments.isEmpty()) return State(context);
  if (form == u"export" && arguments.size() == 2) return Export(context, arguments[1]);
  if (form == u"use" && arguments.size() == 2) return Use(context, arguments[1]);
  if (form == u"sync" && arguments.size() == 1) return Sync(context);
  throw CliError(ExitStatus::Usage, QStringLiteral("register przyjmuje export FOLDER, use ADRES|local albo sync (velt-cli --help)"));
}
