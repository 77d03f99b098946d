#include "maintenance_steps.h"

#include "cli_error.h"
#include "command_line.h"
#include "config_source.h"
#include "console.h"
#include "firmware_update.h"
#include "maintenance_requests.h"
#include "session.h"

namespace {

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

QByteArray NewPassword(const CliOptions& options) {
  const QByteArray password = options.arguments.front().toUtf8();
  if (!Maintenance::IsValidPassword(password))
    throw CliError(ExitStatus::Usage, QStringLiteral("nowe hasło to cztery cyfry"));
  return password;
}

void ChangePassword(Session& session, const QByteArray& password) {
  if (!Maintenance::SendNewPassword(session.link(), password)) session.ThrowWaitFailure(QStringLiteral("zmiana hasła"));
  // A script that took a later failure for a refusal would go on with the old password.
  session.NoteChanged(QStringLiteral("sterownik przyjął nowe hasło"));
}

FirmwareImage LoadFirmwareImage(const QString& path) {
  QString refusal;
  const std::optional<FirmwareImage> image =
      FirmwareImage::FromFile(ReadCheckedFile(path, ConfigFileFormat::FirmwareSignature), &refusal);
  if (!image) throw CliError(ExitStatus::Error, path + QStringLiteral(": ") + refusal);
  return *image;
}

void UpdateFirmware(Session& session, const FirmwareImage& image, Console& console) {
  console.Warn(QStringLiteral("NIE WYŁĄCZAJ STEROWNIKA VELT Z ZASILANIA"));
  session.SetUninterruptible(true);
  PrintedReport report(console);
  console.BeginProgress(QStringLiteral("Aktualizacja firmware"));
  FirmwareUpdate update(session.link(), session.port(), image, report);
  switch (update.Run()) {
    case FirmwareUpdate::Outcome::Completed:
      return;
    case FirmwareUpdate::Outcome::NotAcknowledged:
      throw CliError(ExitStatus::NoReply, QStringLiteral("Brak odpowiedzi z VELT, aktualizacja nieudana"));
    case FirmwareUpdate::Outcome::Stopped:
      break;
  }
  session.ThrowWaitFailure(QStringLiteral("aktualizacja firmware"));
}
