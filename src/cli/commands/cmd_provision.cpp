// provision: a template and one site's row of a table written to the controller, with an
// optional commissioning record.
#include <QJsonArray>

#include "command_line.h"
#include "command_table.h"
#include "config_template.h"
#include "console.h"
#include "session.h"
#include "site_commissioning.h"

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
  const ConfigRecord configTemplate = LoadTemplate(options.arguments.front());
  const SiteRow row = LoadSiteRow(options.sites, options.site);
  CommissioningRecord record = PlanCommissioning(options, configTemplate, row);
  if (!options.record.isEmpty()) CheckRecordFolder(options.record);
  const QString installation = InstallationOfRow(row, context.console);

  return VisitController(context, [&](Session& session) {
    session.History().SetInstallation(installation);
    const Commissioned done = Commission(session, record, options, context.console);
    Show(context.console, record, done.files);
    if (done.recordFailure) throw *done.recordFailure;
    return done.Status(record);
  });
}
