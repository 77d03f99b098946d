#include "site_commissioning.h"

#include "command_line.h"
#include "native_name.h"
#include "session.h"

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
