// passwd, restart, reset-counters, firmware.
#include "command_line.h"
#include "commands.h"
#include "command_table.h"
#include "console.h"
#include "maintenance_steps.h"
#include "maintenance_requests.h"
#include "session.h"

namespace {

void Done(Console& console, const QString& text, const char* jsonKey) {
  if (console.Json())
    console.Result(QJsonObject{{QLatin1String(jsonKey), true}});
  else
    console.Result(text);
}

}  // namespace

ExitStatus RunPasswd(Context& context) {
  const QByteArray password = NewPassword(context.options);
  return VisitController(context, [&](Session& session) {
    ChangePassword(session, password);
    Done(context.console, QStringLiteral("Hasło zmienione"), "password_changed");
    return ExitStatus::Done;
  });
}

ExitStatus RunRestart(Context& context) {
  // A controller that is restarting gets no logout.
  return VisitController(context, [&](Session& session) {
    Maintenance::RestartController(session.link());
    Done(context.console, QStringLiteral("Wysłano polecenie restartu sterownika"), "restart_sent");
    return ExitStatus::Done;
  }, {.loginRequired = true, .logOut = false});
}

ExitStatus RunResetCounters(Context& context) {
  return VisitController(context, [&](Session& session) {
    Maintenance::ResetCounters(session.link());
    session.LetAnswerArrive(Cmd::ResetCounters);
    Done(context.console, QStringLiteral("Wysłano zerowanie dziennych liczników SMS i połączeń"), "counters_reset_sent");
    return ExitStatus::Done;
  });
}

ExitStatus RunFirmware(Context& context) {
  const QString path = context.options.arguments.front();
  const FirmwareImage image = LoadFirmwareImage(path);
  // As the window: a controller that does not log in (or is already in its bootloader) can
  // still be updated, and one in its bootloader gets no logout.
  return VisitController(context, [&](Session& session) {
    UpdateFirmware(session, image, context.console);
    if (context.console.Json())
      context.console.Result(QJsonObject{{QStringLiteral("completed"), true}, {QStringLiteral("blocks"), image.BlockCount()}});
    else
      context.console.Result(QStringLiteral("Aktualizacja zakonczona"));
    return ExitStatus::Done;
  }, {.loginRequired = false, .logOut = false});
}
