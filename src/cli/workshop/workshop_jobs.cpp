#include "workshop_jobs.h"

#include <QJsonArray>
#include <memory>

#include "command_line.h"
#include "config_source.h"
#include "config_template.h"
#include "maintenance_steps.h"
#include "port_sites.h"
#include "read_folder.h"
#include "session.h"
#include "site_commissioning.h"
#include "status_report.h"
#include "write_verify.h"

namespace {

QString Written(const WriteOutcome& outcome) {
  return QStringLiteral("zapisano pozycji: %1, weryfikacja: %2").arg(outcome.written).arg(outcome.Verification());
}

WorkshopJob Status(const CliOptions& options) {
  for (const char* name : {"watch", "csv", "for"})
    if (options.given.contains(QLatin1String(name)))
      RefuseUsage(QStringLiteral("status --%1 działa z jednym portem").arg(QLatin1String(name)));
  return {{}, {}, [](Session& session, Console&, int) {
            const StatusSnapshot status = PollStatus(session);
            return PortResult{ExitStatus::Done, StatusLine(status), StatusJson(status)};
          }};
}

WorkshopJob Passwd(const CliOptions& options) {
  return {{}, {}, [password = NewPassword(options)](Session& session, Console&, int) {
            ChangePassword(session, password);
            return PortResult{ExitStatus::Done, QStringLiteral("Hasło zmienione"), {{QStringLiteral("password_changed"), true}}};
          }};
}

WorkshopJob Firmware(const CliOptions& options) {
  const auto image = std::make_shared<const FirmwareImage>(LoadFirmwareImage(options.arguments.front()));
  // As for one port: a controller that does not log in can still be updated, and one in its
  // bootloader gets no logout.
  return {{.loginRequired = false, .logOut = false}, {}, [image](Session& session, Console& console, int) {
            UpdateFirmware(session, *image, console);
            return PortResult{ExitStatus::Done, QStringLiteral("Aktualizacja zakonczona"),
                              {{QStringLiteral("completed"), true}, {QStringLiteral("blocks"), image->BlockCount()}}};
          }};
}

WorkshopJob Write(const CliOptions& options) {
  const QString path = options.arguments.front();
  const ItemValues values = Keyed::FromRecord(LoadConfigFile(path).record);
  return {{}, {}, [path, values, verify = options.verify](Session& session, Console& console, int) {
            const WriteOutcome outcome = WriteItems(session, values, verify, console);
            QJsonObject json{{QStringLiteral("file"), path}};
            outcome.AddTo(json);
            return PortResult{outcome.Status(), Written(outcome), json};
          }};
}

WorkshopJob Read(const CliOptions& options) {
  const QString folder = options.output;
  if (!IsFolder(folder))
    RefuseUsage(QStringLiteral("read na kilku portach zapisuje plik każdego sterownika w folderze: podaj istniejący folder opcją -o"));
  CheckReadFolder(folder);
  return {{}, {}, [folder, password = LoginPassword(options)](Session& session, Console& console, int) {
            const ItemValues values = ItemTransfer::Read(session, ItemTransfer::AllItems(), console);
            // The file holds the password that logged in, as for one port.
            const QString saved = SaveIntoFolder(folder, session.path(), ConfigFile{password, Keyed::ToRecord(values)});
            return PortResult{ExitStatus::Done, QStringLiteral("plik %1").arg(saved),
                              {{QStringLiteral("file"), saved}, {QStringLiteral("firmware"), session.FirmwareCaption()}}};
          }};
}

WorkshopJob Provision(const CliOptions& options, const QList<QByteArray>& ports, Console& told) {
  if (options.sites.isEmpty()) RefuseUsage(QStringLiteral("provision wymaga --sites OBIEKTY.csv"));
  const ConfigRecord configTemplate = LoadTemplate(options.arguments.front());
  QList<CommissioningRecord> records;
  QStringList sites;
  const QList<SiteRow> rows = SitesOfPorts(ports, options);
  for (const SiteRow& row : rows) {
    records.append(PlanCommissioning(options, configTemplate, row));
    sites.append(row.site);
  }
  if (!options.record.isEmpty()) CheckRecordFolder(options.record);
  QStringList installations;
  for (const SiteRow& row : rows) installations.append(InstallationOfRow(row, told));
  return {{}, sites, [records, installations, &options](Session& session, Console& console, int port) {
            session.History().SetInstallation(installations.at(port));
            CommissioningRecord record = records.at(port);
            const Commissioned done = Commission(session, record, options, console);
            QJsonObject json = record.Json();
            json.insert(QStringLiteral("record_files"), QJsonArray::fromStringList(done.files));
            const QString text = done.recordFailure ? done.recordFailure->message
                                 : done.files.isEmpty() ? Written(record.outcome)
                                                        : QStringLiteral("%1, protokół: %2").arg(Written(record.outcome), done.files.front());
            return PortResult{done.Status(record), text, json};
          }};
}

}  // namespace

WorkshopJob PlanJob(const CliOptions& options, const QList<QByteArray>& ports, Console& console) {
  const QString& command = options.command;
  // Each controller is an installation of its own: only the site table tells which.
  if (!options.siteValues.isEmpty() && command != u"provision")
    RefuseUsage(QStringLiteral("%1 na kilku portach nie przyjmuje --site: każdy sterownik to inna instalacja").arg(command));
  if (command == u"status") return Status(options);
  if (command == u"passwd") return Passwd(options);
  if (command == u"firmware") return Firmware(options);
  if (command == u"write") return Write(options);
  if (command == u"read") return Read(options);
  // The last of the commands that take --ports (command_table.cpp).
  return Provision(options, ports, console);
}
