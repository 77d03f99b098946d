#include "report_command.h"

#include <unistd.h>

#include "command_line.h"
#include "config_source.h"
#include "console.h"
#include "history_entries.h"
#include "installation_lookup.h"
#include "item_values.h"
#include "native_name.h"
#include "report_pdf.h"
#include "session.h"
#include "technician.h"

namespace {

const QString DeviceSource = QStringLiteral("device");

// Now, or the time of SOURCE_DATE_EPOCH when set, so that a report can be made again byte for byte.
QDateTime ReportTime() {
  bool number = false;
  const qint64 epoch = qEnvironmentVariable("SOURCE_DATE_EPOCH").toLongLong(&number);
  return number ? QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC) : QDateTime::currentDateTime();
}

// What a file or a history entry holds; a history entry knows the firmware it came from.
void FromFile(const QString& source, Console& console, ReportData& data) {
  ConfigFile file;
  if (source.startsWith(u'@')) {
    RegisterKeeper keeper;
    const HistoryListing listing = HistoryEntries::Listed(keeper, console);
    const HistoryRow& row = HistoryEntries::Numbered(listing.rows, source.mid(1));
    const EntryLabel& label = row.listed.name.label;
    data.firmware = label.firmware;
    data.source = QStringLiteral("historia konfiguracji, wpis z %1").arg(label.time.toString(QStringLiteral("dd.MM.yyyy, HH:mm")));
    file = HistoryEntries::Load(keeper, row);
  } else {
    data.source = QStringLiteral("plik %1").arg(source);
    file = LoadConfigFile(source);
  }
  data.record = file.record;
  data.password = file.password;
}

}  // namespace

ExitStatus RunHandoverReport(Context& context) {
  const CliOptions& options = context.options;
  const QString source = options.arguments.front();
  const QString output = options.output;
  if (output.isEmpty()) throw CliError(ExitStatus::Usage, QStringLiteral("report: podaj plik raportu: -o PLIK.pdf"));
  const bool toStdout = output == u"-";
  if (toStdout && context.console.Json())
    throw CliError(ExitStatus::Usage, QStringLiteral("-o - (plik na standardowe wyjście) nie łączy się z --json"));
  // A PDF's bytes would only garble the terminal.
  if (toStdout && ::isatty(STDOUT_FILENO))
    throw CliError(ExitStatus::Usage, QStringLiteral("-o -: standardowe wyjście to terminal; raport PDF skieruj do pliku albo potoku"));
  if (!toStdout) CheckCanSave(output, options.force);

  ReportData data;
  data.revealSecrets = options.showSecrets;
  data.technician = Technician::Name();
  if (!options.site.isEmpty()) data.site = LookUpInstallation(options.site);
  const auto finish = [&]() {
    data.made = ReportTime();
    QString error;
    const std::optional<QByteArray> pdf = ReportPdf(data, &error);
    if (!pdf) throw CliError(ExitStatus::Error, error);
    if (toStdout) {
      WriteResult(*pdf);
      return ExitStatus::Done;
    }
    SaveOutputFile(output, *pdf);
    context.console.Info(QStringLiteral("Zapisano raport %1").arg(output));
    if (context.console.Json())
      context.console.Result(QJsonObject{{QStringLiteral("file"), output}, {QStringLiteral("source"), source}});
    return ExitStatus::Done;
  };
  if (source != DeviceSource) {
    FromFile(source, context.console, data);
    return finish();
  }
  data.password = LoginPassword(options);
  return VisitController(context, [&](Session& session) {
    data.record = Keyed::ToRecord(ItemTransfer::Read(session, ItemTransfer::AllItems(), context.console));
    data.firmware = session.FirmwareCaption();
    data.source = QStringLiteral("odczyt ze sterownika (port %1)").arg(NameFromBytes(session.path()));
    return finish();
  });
}
