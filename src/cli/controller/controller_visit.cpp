#include "controller_visit.h"

#include <QScopeGuard>

#include "command_line.h"
#include "config_record.h"
#include "console.h"
#include "maintenance_requests.h"
#include "port_choice.h"
#include "session.h"
#include "shared_send.h"
#include "site_register.h"

QByteArray LoginPassword(const CliOptions& options) {
  const QByteArray password = options.password ? options.password->toUtf8()
                              : qEnvironmentVariableIsSet("VELT_PASSWORD") ? qgetenv("VELT_PASSWORD")
                                                                           : QByteArray(DefaultPinText);
  if (!Maintenance::IsValidPassword(password))
    throw CliError(ExitStatus::Usage, QStringLiteral("hasło dostępu (--password lub VELT_PASSWORD) to cztery cyfry"));
  return password;
}

namespace {

void LogIn(Session& session, const QByteArray& password, const VisitRules& rules, Console& console) {
  if (rules.loginRequired) {
    session.LogIn(password);
    return;
  }
  try {
    session.LogIn(password);
  } catch (const CliError& error) {
    if (error.status != ExitStatus::NoReply && error.status != ExitStatus::WrongPassword) throw;
    console.Warn(error.message + QStringLiteral(": kontynuuję bez logowania"));
  }
}

}  // namespace

ExitStatus VisitController(Context& context, const std::function<ExitStatus(Session&)>& body, VisitRules rules) {
  const QByteArray password = LoginPassword(context.options);
  const QString installation = SiteRegister::OfOption(context.options);
  return VisitPort(ChoosePort(context.options.port), password, context.console, context.interrupts,
                   [&](Session& session) {
                     session.History().SetInstallation(installation);
                     const ExitStatus status = body(session);
                     // A write the system deferred fails here, while the change can still be told with it.
                     if (!session.Changed().isEmpty()) CloseResults();
                     return status;
                   },
                   rules);
}

namespace {

ExitStatus Visit(Session& session, const QByteArray& path, const QByteArray& password, Console& console,
                 const std::function<ExitStatus(Session&)>& body, VisitRules rules) {
  session.Open(path);
  try {
    LogIn(session, password, rules, console);
    session.StopIfInterrupted(QStringLiteral("po zalogowaniu"));
    const ExitStatus status = body(session);
    if (rules.logOut) session.LogOut();
    return status;
  } catch (const EComPort& error) {
    session.PortFailed(error);
    session.ThrowWaitFailure(QString());
  } catch (const CliError&) {
    if (rules.logOut) session.LogOut();
    throw;
  }
}

}  // namespace

ExitStatus VisitPort(const QByteArray& path, const QByteArray& password, Console& console, Interrupts& interrupts,
                     const std::function<ExitStatus(Session&)>& body, VisitRules rules) {
  Session session(console, interrupts);
  // Also when the command failed after a transfer kept its entry.
  const auto send = qScopeGuard([&] { SendAfterTransfer(session, console); });
  try {
    return Visit(session, path, password, console, body, rules);
  } catch (const CliError& error) {
    // A script that took this for "nothing changed" would act on a controller it no longer knows.
    if (session.Changed().isEmpty() || error.status == ExitStatus::RecordFailed) throw;
    throw CliError(ExitStatus::ControllerChanged, session.Changed() + QStringLiteral(", ale: ") + error.message);
  }
}
