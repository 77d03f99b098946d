// passwd, restart, reset-counters, firmware.
#include "command_line.h"
#include "commands.h"
#include "command_table.h"
#include "console.h"
#include "config_source.h"
#include "firmware_update.h"
#include "maintenance_requests.h"
#include "session.h"

namespace {

void Done(Console& console, const QString& text, const char* jsonKey) {
  if (console.Json())
    console.Result(QJsonObject{{QLatin1String(jsonKey), true}});
  else
    console.Result(text);
}

// The firmware file, read and tested whole before anything is sent.
FirmwareImage LoadImage(const QString& path) {
  QString refusal;
  const std::optional<FirmwareImage> image =
      FirmwareImage::FromFile(ReadCheckedFile(path, ConfigFileFormat::FirmwareSignature), &refusal);
  if (!image) throw CliError(ExitStatus::Error, path + QStringLiteral(": ") + refusal);
  return *image;
}

class PrintedReport final : public FirmwareReport {
 public:
  explicit PrintedReport(Console& console) : console_(console) {}
  void ShowProgress(int percent) override { console_.Progress(percent); }
  // The failure is told with the exit status that it brings.
  void ReportNoAcknowledgement() override { console_.EndProgress(); }
  // Told once Run() is back: a result that cannot be printed throws, never from inside the update.
  void ReportCompleted() override { console_.EndProgress(); }

 private:
  Console& console_;
};

}  // namespace

ExitStatus RunPasswd(Context& context) {
  const QByteArray password = context.options.arguments.front().toUtf8();
  if (!Maintenance::IsValidPassword(password))
    throw CliError(ExitStatus::Usage, QStringLiteral("nowe hasło to cztery cyfry"));
  return VisitController(context, [&](Session& session) {
    if (!Maintenance::SendNewPassword(session.link(), password)) session.ThrowWaitFailure(QStringLiteral("zmiana hasła"));
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
  const FirmwareImage image = LoadImage(path);
  // As the window: a controller that does not log in (or is already in its bootloader) can
  // still be updated, and one in its bootloader gets no logout.
  return VisitController(context, [&](Session& session) {
    context.console.Warn(QStringLiteral("NIE WYŁĄCZAJ STEROWNIKA VELT Z ZASILANIA"));
    session.SetUninterruptible(true);
    PrintedReport report(context.console);
    context.console.BeginProgress(QStringLiteral("Aktualizacja firmware"));
    FirmwareUpdate update(session.link(), session.port(), image, report);
    switch (update.Run()) {
      case FirmwareUpdate::Outcome::Completed:
        if (context.console.Json())
          context.console.Result(QJsonObject{{QStringLiteral("completed"), true}, {QStringLiteral("blocks"), image.BlockCount()}});
        else
          context.console.Result(QStringLiteral("Aktualizacja zakonczona"));
        return ExitStatus::Done;
      case FirmwareUpdate::Outcome::NotAcknowledged:
        throw CliError(ExitStatus::NoReply, QStringLiteral("Brak odpowiedzi z VELT, aktualizacja nieudana"));
      case FirmwareUpdate::Outcome::Stopped:
        break;
    }
    session.ThrowWaitFailure(QStringLiteral("aktualizacja firmware"));
  }, {.loginRequired = false, .logOut = false});
}
