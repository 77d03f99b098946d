// provision: a template and one site's row of a table written to the controller, with an
// optional commissioning record.
#include <QJsonArray>

#include "command_line.h"
#include "command_table.h"
#include "commissioning_record.h"
#include "config_template.h"
#include "console.h"
#include "session.h"
#include "site_table.h"

namespace {

void Show(Console& console, const CommissioningRecord& record, const QStringList& files) {
  if (console.Json()) {
    QJsonObject result = record.Json();
    result.insert(QStringLiteral("record_files"), QJsonArray::fromStringList(files));
    console.Result(result);
    return;
  }
  console.Result(QStringLiteral("Obiekt %1").arg(Escaped(record.site)));
  for (const QString& line : record.outcome.Lines()) console.Result(line);
  for (const QString& line : StatusLines(record.status).mid(0, 3)) console.Result(line);
  for (const QString& file : files) console.Result(QStringLiteral("Protokół: %1").arg(file));
}

}  // namespace

ExitStatus RunProvision(Context& context) {
  const CliOptions& options = context.options;
  if (options.sites.isEmpty() || options.site.isEmpty())
    throw CliError(ExitStatus::Usage, QStringLiteral("provision wymaga --sites OBIEKTY.csv i --site NAZWA"));
  // The whole configuration is put together and checked before the port is opened.
  CommissioningRecord record;
  record.templatePath = options.arguments.front();
  record.sitesPath = options.sites;
  ConfigRecord configuration = LoadTemplate(record.templatePath);
  const SiteRow row = LoadSiteRow(options.sites, options.site);
  for (auto it = row.values.cbegin(); it != row.values.cend(); ++it) configuration.setValue(it.key(), it.value());
  record.site = row.site;
  record.sitesLine = row.line;
  record.values = Keyed::FromRecord(configuration);
  Keyed::CheckOptionRules(record.values, {}, ExitStatus::Error);
  if (!options.record.isEmpty()) CheckRecordFolder(options.record);

  return VisitController(context, [&](Session& session) {
    record.port = QString::fromLocal8Bit(session.path());
    Keyed::CheckOptionRules(record.values, session.FirmwareAllows(), ExitStatus::Error);
    record.outcome = WriteItems(session, record.values, options.verify, context.console);
    record.status = PollStatus(session);
    record.finished = QDateTime::currentDateTime();
    if (options.record.isEmpty()) {
      Show(context.console, record, {});
      return record.outcome.Status();
    }
    try {
      const QStringList files = WriteRecord(options.record, record);
      Show(context.console, record, files);
      return record.outcome.Status();
    } catch (const CliError& error) {
      Show(context.console, record, {});
      throw CliError(ExitStatus::RecordFailed, QStringLiteral("sterownik zapisany, weryfikacja: %1; protokołu nie zapisano: %2")
                                                   .arg(record.outcome.Verification(), error.message));
    }
  });
}
