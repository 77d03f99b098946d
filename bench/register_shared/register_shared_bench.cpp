// Usage: register_shared [SCALE]
// Starts a PostgreSQL server of its own (as 'nobody' when run as root) and measures the shared
// register: 10 processes keeping 100 entries each and sending them (each sends twice) give
// exactly 1 000 rows; a server stopped in the middle of a sync and started again loses nothing
// after the next one; 1 000 pending entries sent; the first sync of a team register of 100 000
// installations and 1 000 000 configurations (times SCALE) to an empty laptop, seconds and
// megabytes; 1 000 new rows from another computer brought; a search over the laptop's replica
// (the median of five runs of each of a rare text, a common one and none, the slowest reported).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <functional>

#include "configurations.h"
#include "installations.h"
#include "postgres_server.h"
#include "register_fault.h"
#include "register_keeper.h"
#include "register_store.h"
#include "register_sync.h"
#include "shared_store.h"

namespace {

constexpr char KeepArgument[] = "keep";
constexpr char Role[] = "technician";
constexpr int Processes = 10;
constexpr int PerProcess = 100;
constexpr int Pending = 1000;
constexpr int TeamInstallations = 100000;
constexpr int TeamConfigurations = 1000000;
constexpr int Runs = 5;

EntryLabel Label(int i, const QByteArray& who) {
  const QDateTime start(QDate(2025, 3, 14), QTime(10, 0), Qt::OffsetFromUTC, 3600);
  return {start.addSecs(i * 60), EntryKind::Read, "/dev/ttyUSB0", QStringLiteral("VELT v 1.8"),
          "+48" + who + '-' + QByteArray::number(i), "+48501200777"};
}

ConfigFile File(const EntryLabel& label) {
  ConfigRecord record = ConfigRecord::Default();
  record.setValue(ItemIndex::Phone1, label.phone1);
  record.setValue(ItemIndex::Pin, "1234");
  return {"9876", record};
}

// A child: keeps its entries through the transfers' keeper, sends them, then sends them all
// again as if its notes of what was sent had been lost.
int KeepAndSend(const QString& localPath, const QString& url, int count) {
  QString error;
  const std::optional<SharedTarget> target = RegisterChoice::Parse(url, &error);
  if (!target) return 2;
  {
    RegisterKeeper keeper({localPath, 30000}, localPath + QStringLiteral(".history"));
    for (int i = 0; i < count; ++i) {
      const EntryLabel label = Label(i, QByteArray::number(QCoreApplication::applicationPid()));
      QString warning;
      const auto kept = keeper.Keep(label, File(label), {}, &warning);
      if (!kept || kept->uuid.isEmpty()) return 3;
    }
  }
  for (int round = 0; round < 2; ++round) {
    const SyncReport report = RegisterSync::Run({localPath, 30000}, *target);
    if (!report.Complete()) {
      QTextStream(stderr) << report.error << '\n';
      return 4;
    }
    RegisterStore(RegisterStore::Options{localPath, 30000}).Run(QStringLiteral("DELETE FROM register_notes WHERE note LIKE 'sent %'"));
  }
  return 0;
}

void Fill(const QString& path, int count) {
  RegisterStore store({path, 30000});
  RegisterStore::Transaction transaction(store);
  Configurations configurations(store);
  for (int i = 0; i < count; ++i) {
    const EntryLabel label = Label(i, "bench");
    configurations.Keep(label, File(label), QStringLiteral("bench"));
  }
  transaction.Commit();
}

[[noreturn]] void Die(const QString& why) {
  QTextStream(stderr) << why << '\n';
  std::exit(1);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const QStringList args = app.arguments();
  if (args.size() == 5 && args[1] == QLatin1String(KeepArgument)) return KeepAndSend(args[2], args[3], args[4].toInt());
  // A share of the team's register, for a machine without the room for all of it.
  const double scale = args.size() == 2 ? args[1].toDouble() : 1.0;
  if (scale <= 0 || scale > 1) Die(QStringLiteral("Usage: register_shared [SCALE], 0 < SCALE <= 1"));

  QTextStream out(stdout);
  PostgresServer server;
  QString error;
  if (!server.Begin(&error)) Die(error);
  const QTemporaryDir home;
  int databases = 0;
  const auto database = [&] {
    const QString name = QStringLiteral("bench_%1").arg(++databases);
    if (!server.Sql(QStringLiteral("postgres"), {QStringLiteral("CREATE DATABASE ") + name}, &error)) Die(error);
    try {
      SharedStore{server.Target(QLatin1String(PostgresServer::Admin), name)};
    } catch (const RegisterFault& fault) {
      Die(fault.message());
    }
    if (!server.Sql(name,
                    {QStringLiteral("GRANT SELECT, INSERT ON ALL TABLES IN SCHEMA public TO %1").arg(QLatin1String(Role)),
                     QStringLiteral("GRANT USAGE ON ALL SEQUENCES IN SCHEMA public TO %1").arg(QLatin1String(Role))},
                    &error))
      Die(error);
    return name;
  };
  if (!server.Sql(QStringLiteral("postgres"), {QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'bench'").arg(QLatin1String(Role))}, &error))
    Die(error);
  server.AddPassword(QLatin1String(Role), QStringLiteral("bench"));
  const auto count = [&](const QString& db, const char* sql) { return server.Value(db, QLatin1String(sql)).toLongLong(); };

  // Ten processes at once.
  const QString together = database();
  QList<QProcess*> children;
  for (int p = 0; p < Processes; ++p) {
    auto* child = new QProcess(&app);
    child->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child->start(QCoreApplication::applicationFilePath(),
                 {QLatin1String(KeepArgument), home.filePath(QStringLiteral("laptop%1.sqlite").arg(p)),
                  server.Target(QLatin1String(Role), together).Url(), QString::number(PerProcess)});
    children << child;
  }
  int failed = 0;
  for (QProcess* child : children)
    if (!child->waitForFinished(120000) || child->exitCode() != 0) ++failed;
  const qint64 rows = count(together, "SELECT count(*) FROM configurations");
  const qint64 distinct = count(together, "SELECT count(DISTINCT uuid) FROM configurations");
  out << QStringLiteral("%1 processes x %2 entries, each sent twice: %3 rows, %4 distinct, %5 processes failed\n")
             .arg(Processes)
             .arg(PerProcess)
             .arg(rows)
             .arg(distinct)
             .arg(failed);

  // The server stopped after the third batch, then started again.
  const QString stopped = database();
  const QString stoppedLocal = home.filePath(QStringLiteral("stopped.sqlite"));
  Fill(stoppedLocal, Pending);
  int batches = 0;
  const SyncReport cut = RegisterSync::Run({stoppedLocal, 30000}, server.Target(QLatin1String(Role), stopped),
                                           {100, [&](SyncStep step) {
                                              if (step == SyncStep::Sent && ++batches == 3 && !server.Stop(&error)) Die(error);
                                            },
                                            nullptr});
  if (!server.Start(&error)) Die(error);
  const SyncReport after = RegisterSync::Run({stoppedLocal, 30000}, server.Target(QLatin1String(Role), stopped));
  const qint64 kept = count(stopped, "SELECT count(*) FROM configurations");
  out << QStringLiteral("server stopped after batch 3: %1 sent before, \"%2\"; after the restart %3 sent, %4 of %5 on the server\n")
             .arg(cut.sent.entries)
             .arg(cut.error)
             .arg(after.sent.entries)
             .arg(kept)
             .arg(Pending);

  // 1 000 pending entries.
  const QString timed = database();
  const QString timedLocal = home.filePath(QStringLiteral("timed.sqlite"));
  Fill(timedLocal, Pending);
  QElapsedTimer clock;
  clock.start();
  const SyncReport sent = RegisterSync::Run({timedLocal, 30000}, server.Target(QLatin1String(Role), timed));
  const double syncMs = double(clock.nsecsElapsed()) / 1e6;
  if (!sent.Complete()) Die(sent.error);
  out << QStringLiteral("%1 pending entries sent in %2 ms\n").arg(Pending).arg(syncMs, 0, 'f', 0);

  // A team's register made on the server directly: installations, each with the edit that made
  // it, and configurations with their secrets, spread over them.
  const QString team = database();
  const qint64 installationsMade = qint64(TeamInstallations * scale), configurationsMade = qint64(TeamConfigurations * scale);
  const EntryLabel sample = Label(0, "team");
  const QString bytes = QString::fromLatin1(EncodeConfigFile(File(sample)).toHex());
  if (!server.Sql(team,
                  {QStringLiteral("INSERT INTO installations (uuid, site, name, address, contact, notes, created_ms, created_by, "
                                  "changed_ms, changed_by, search_text) SELECT md5('i' || i)::uuid::text, "
                                  "convert_to(lpad(i::text, 6, '0'), 'UTF8'), convert_to('Instalacja ' || i, 'UTF8'), "
                                  "convert_to('ul. Polna ' || (i % 200) || ', 00-' || (i % 1000) || ' Miasto', 'UTF8'), "
                                  "convert_to('+48600' || lpad(i::text, 6, '0'), 'UTF8'), ''::bytea, 0, 'bench', 0, 'bench', '' "
                                  "FROM generate_series(1, %1) AS i")
                       .arg(installationsMade),
                   QStringLiteral("INSERT INTO installation_sites (site, installation) SELECT site, uuid FROM installations"),
                   QStringLiteral("INSERT INTO installation_edits (uuid, installation, edited_ms, edited_by, site, name, address, "
                                  "contact, notes, fields, clock) SELECT md5('e' || uuid)::uuid::text, uuid, 0, 'bench', site, "
                                  "name, address, contact, notes, 31, 0 FROM installations"),
                   QStringLiteral("INSERT INTO configurations (uuid, taken_ms, utc_offset, kind, port, firmware, technician, "
                                  "installation, phone1, sms_centre, bytes) SELECT md5('c' || j)::uuid::text, "
                                  "1740000000000 + j::bigint * 60000, 3600, 'R', '/dev/ttyUSB0'::bytea, 'VELT v 1.8', 'bench', "
                                  "md5('i' || (j %% %1 + 1))::uuid::text, convert_to('+48600' || lpad((j %% %1 + 1)::text, 6, '0'), "
                                  "'UTF8'), '+48501200777'::bytea, decode('%3', 'hex') FROM generate_series(1, %2) AS j")
                       .arg(installationsMade)
                       .arg(configurationsMade)
                       .arg(bytes)
                       .replace(QStringLiteral("%%"), QStringLiteral("%")),
                   QStringLiteral("INSERT INTO configuration_secrets (configuration, bytes) SELECT uuid, bytes FROM configurations"),
                   QStringLiteral("ANALYZE")},
                  &error))
    Die(error);
  // The first sync of an empty laptop, then 1 000 new rows another computer sent.
  const QString laptop = home.filePath(QStringLiteral("empty.sqlite"));
  const SharedTarget teamTarget = server.Target(QLatin1String(Role), team);
  clock.restart();
  const SyncReport first = RegisterSync::Run({laptop, 30000}, teamTarget, {1000, {}, nullptr});
  const double firstS = double(clock.nsecsElapsed()) / 1e9;
  if (!first.Complete()) Die(first.error);
  qint64 bytesOnDisk = 0;
  for (const QString& suffix : {QString(), QStringLiteral("-wal")}) bytesOnDisk += QFileInfo(laptop + suffix).size();
  const double firstMb = double(bytesOnDisk) / 1e6;
  out << QStringLiteral("first sync of %1 installations and %2 configurations to an empty laptop: %3 s, %4 MB\n")
             .arg(installationsMade)
             .arg(configurationsMade)
             .arg(firstS, 0, 'f', 1)
             .arg(firstMb, 0, 'f', 0);
  const QString other = home.filePath(QStringLiteral("other.sqlite"));
  Fill(other, Pending);
  if (!RegisterSync::Run({other, 30000}, teamTarget).Complete()) Die(QStringLiteral("the other computer did not send"));
  clock.restart();
  const SyncReport incremental = RegisterSync::Run({laptop, 30000}, teamTarget);
  const double incrementalMs = double(clock.nsecsElapsed()) / 1e6;
  if (!incremental.Complete() || incremental.brought.entries != Pending) Die(QStringLiteral("the new rows were not brought"));
  out << QStringLiteral("%1 new rows from another computer brought in %2 ms\n").arg(Pending).arg(incrementalMs, 0, 'f', 0);

  // Searches over the laptop's replica.
  double searchMs = 0;
  try {
    RegisterStore store({laptop, 30000});
    Installations installations(store);
    for (const QString& text : {QStringLiteral("+48600054321"), QStringLiteral("polna"), QString()}) {
      QList<double> ms;
      for (int run = 0; run < Runs; ++run) {
        clock.restart();
        installations.Search(text, 50);
        ms << double(clock.nsecsElapsed()) / 1e6;
      }
      std::sort(ms.begin(), ms.end());
      out << QStringLiteral("search \"%1\" over %2 installations of the replica: %3 ms\n")
                 .arg(text)
                 .arg(installationsMade)
                 .arg(ms[Runs / 2], 0, 'f', 1);
      searchMs = std::max(searchMs, ms[Runs / 2]);
    }
  } catch (const RegisterFault& fault) {
    Die(fault.message());
  }

  out << QStringLiteral("RESULT shared_rows=%1 shared_duplicates=%2 stopped_lost=%3 sync_1000_ms=%4 team_installations=%5 "
                        "team_configurations=%6 first_sync_s=%7 first_sync_mb=%8 incremental_1000_ms=%9 replica_search_ms=%10\n")
             .arg(rows)
             .arg(rows - distinct)
             .arg(Pending - kept)
             .arg(syncMs, 0, 'f', 0)
             .arg(installationsMade)
             .arg(configurationsMade)
             .arg(firstS, 0, 'f', 1)
             .arg(firstMb, 0, 'f', 0)
             .arg(incrementalMs, 0, 'f', 0)
             .arg(searchMs, 0, 'f', 1);
  return rows == Processes * PerProcess && rows == distinct && failed == 0 && kept == Pending ? 0 : 1;
}
