#include "site_commissioning.h"

#include "command_line.h"
#include "native_name.h"
#include "console.h"
#include "session.h"
#include "site_register.h"

CommissioningRecord PlanCommissioning(const CliOptions& options, const ConfigRecord& configTemplate, const SiteRow& row) {
  CommissioningRecord record;
  record.templatePath = options.arguments.front();
  record.sitesPath = options.sites;
  ConfigRecord configuration = configTemplate;
  for (auto it = row.values.cbegin(); it != row.values.cend(); ++it) configuration.setValue(it.key(), it.value());
  record.site = row.site;
  record.sitesLine = row.line;
  record.values = Keyed::FromRecord(configuration);
  Keyed::CheckOptionRules(record.values, {}, ExitStatus::Error);
  return record;
}

QString InstallationOfRow(const SiteRow& row, Console& console) {
  try {
    RegisterKeeper keeper;
    bool added = false;
    const QString uuid = SiteRegister::Ensure(SiteRegister::Open(keeper), row.details, &added);
    if (added) console.Info(QStringLiteral("Instalacja %1 dodana do rejestru").arg(Escaped(row.site)));
    return uuid;
  } catch (const CliError& error) {
    console.Warn(error.message + QStringLiteral(": wpisy historii nie zostaną przypisane do instalacji ") + Escaped(row.site));
    return {};
  }
}

ExitStatus Commissioned::Status(const CommissioningRecord& record) const {
  return recordFailure ? recordFailure->status : record.outcome.Status();
}

Commissioned Commission(Session& session, CommissioningRecord& record, const CliOptions& options, Console& console) {
  record.port = NameFromBytes(session.path());
  Keyed::CheckOptionRules(record.values, session.FirmwareAllows(), ExitStatus::Error);
  record.outcome = WriteItems(session, record.values, options.verify, console);
  record.status = PollStatus(session);
  record.finished = QDateTime::currentDateTime();
  Commissioned done;
  if (options.record.isEmpty()) return done;
  try {
    done.files = WriteRecord(options.record, record);
  } catch (const CliError& error) {
    done.recordFailure = CliError(ExitStatus::RecordFailed, QStringLiteral("sterownik zapisany, weryfikacja: %1; protokołu nie zapisano: %2")
                                                             .arg(record.outcome.Verification(), error.message));
  }
  return done;
}
