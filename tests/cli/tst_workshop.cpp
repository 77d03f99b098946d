// Several controllers at once: each with its own site, record and verified values; one that
// fails holds up no other; what cannot be settled before sending sends nothing at all.
#include <QDir>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QtTest>
#include <algorithm>
#include <csignal>
#include <memory>
#include <vector>

#include "cli_rig.h"
#include "config_file.h"
#include "field_rules.h"
#include "tst_cli.h"

namespace {

const QStringList Sites{"Kraków-1", "Gdańsk 2", "Łódź/3"};
const QStringList Phones{"+48600100200", "+48600100300", "+48600100400"};
const QByteArray Template = R"({"phone2": "+48000"})";

// Simulated controllers, one a port, and a folder for a run's files.
struct Workshop {
  std::vector<std::unique_ptr<Simulator>> sims;
  QTemporaryDir folder;

  bool Start(const QList<QStringList>& faults, int baud, QString* why) {
    for (const QStringList& f : faults) {
      sims.push_back(std::make_unique<Simulator>(SimOptions{.baud = baud, .faults = f, .stageStepMs = 0}));
      if (!sims.back()->Start(why)) return false;
    }
    return folder.isValid();
  }
  QString Port(size_t n) const { return sims[n]->DevicePath(); }
  // "{n}" stands for port n, "@" for the folder.
  QString Expanded(QString text) const {
    for (size_t n = 0; n < sims.size(); ++n) text.replace(QStringLiteral("{%1}").arg(n), Port(n));
    return text.replace(u'@', folder.path());
  }
  QStringList Expanded(QStringList texts) const {
    for (QString& t : texts) t = Expanded(t);
    return texts;
  }
  QStringList PortOptions() const {
    QStringList options;
    for (size_t n = 0; n < sims.size(); ++n) options << "-p" << Port(n);
    return options;
  }
  void Write(const QString& name, const QByteArray& bytes) const {
    QFile file(Expanded(name));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }
  qint64 RequestCount() const {
    qint64 count = 0;
    for (const auto& sim : sims) count += sim->RequestCount();
    return count;
  }
};

#define START_WORKSHOP(w, faults, baud)                       \
  do {                                                        \
    QString why_;                                             \
    QVERIFY2((w).Start(faults, baud, &why_), qPrintable(why_)); \
  } while (false)

QList<QJsonObject> JsonLines(const QString& out) {
  QList<QJsonObject> objects;
  for (const QString& line : out.split(u'\n', Qt::SkipEmptyParts)) objects.append(QJsonDocument::fromJson(line.toUtf8()).object());
  return objects;
}

QString Readable(const ControllerState& state, int item) {
  return FieldRules::FormatItemValue(ConfigItems[size_t(item)], state.items[size_t(item)]);
}

}  // namespace

void TstWorkshop::provisionAtOnce_data() {
  QTest::addColumn<bool>("pairs");  // sites from --site PORT=SITE, else from the table's port column
  QTest::addColumn<QList<QStringList>>("faults");
  QTest::addColumn<int>("baud");
  QTest::addColumn<QList<int>>("statuses");
  QTest::newRow("sites from the port column") << false << QList<QStringList>{{}, {}} << 0 << QList<int>{0, 0};
  QTest::newRow("sites from --site pairs") << true << QList<QStringList>{{}, {}} << 0 << QList<int>{0, 0};
  // Paced as the real line: the two that answer take about as long as one alone.
  QTest::newRow("one silent controller among three")
      << false << QList<QStringList>{{}, {"silent"}, {}} << 1200 << QList<int>{0, 3, 0};
}

void TstWorkshop::provisionAtOnce() {
  QFETCH(bool, pairs);
  QFETCH(QList<QStringList>, faults);
  QFETCH(int, baud);
  QFETCH(QList<int>, statuses);
  Workshop w;
  START_WORKSHOP(w, faults, baud);
  QByteArray table = pairs ? "site,phone1\n" : "site,port,phone1\n";
  QStringList arguments = w.PortOptions() + QStringList{"--json", "provision", "@/t.json", "--sites", "@/s.csv", "--verify", "--record", "@/records"};
  for (qsizetype n = 0; n < faults.size(); ++n) {
    table += (QStringList{Sites[n]} + (pairs ? QStringList() : QStringList{w.Port(size_t(n))}) + QStringList{Phones[n]}).join(u',').toUtf8() + '\n';
    if (pairs) arguments << "--site" << w.Port(size_t(n)) + u'=' + Sites[n];
  }
  w.Write("@/t.json", Template);
  w.Write("@/s.csv", w.Expanded(QString::fromUtf8(table)).toUtf8());

  qint64 oneAloneMs = 0;
  if (baud > 0) {
    QElapsedTimer alone;
    alone.start();
    const CliResult one = RunCli(w.Expanded({"-p", "{0}", "provision", "@/t.json", "--sites", "@/s.csv", "--site", Sites[0], "--verify"}));
    oneAloneMs = alone.elapsed();
    QVERIFY2(one.status == 0, qPrintable(one.Describe()));
    w.sims[0]->ClearRequests();
  }
  QElapsedTimer clock;
  clock.start();
  const CliResult result = RunCli(w.Expanded(arguments), 120000);
  const qint64 allMs = clock.elapsed();
  QVERIFY2(result.status == *std::max_element(statuses.cbegin(), statuses.cend()), qPrintable(result.Describe()));
  if (oneAloneMs > 0) QVERIFY2(allMs < oneAloneMs * 3 / 2, qPrintable(QStringLiteral("%1 ms, one alone %2 ms").arg(allMs).arg(oneAloneMs)));

  const QList<QJsonObject> ports = JsonLines(result.out);
  QCOMPARE(ports.size(), faults.size());
  for (qsizetype n = 0; n < ports.size(); ++n) {
    const QJsonObject& port = ports[n];
    QCOMPARE(port.value("port").toString(), w.Port(size_t(n)));
    QCOMPARE(port.value("site").toString(), Sites[n]);
    QCOMPARE(port.value("status").toInt(), statuses[n]);
    if (statuses[n] != 0) {
      QVERIFY2(port.value("error").toString().contains("Brak odpowiedzi z nadajnika VELT"), qPrintable(result.Describe()));
      continue;
    }
    const Simulator& sim = *w.sims[size_t(n)];
    QCOMPARE(Readable(sim.State(), ItemIndex::Phone1), Phones[n]);
    QCOMPARE(Readable(sim.State(), ItemIndex::Phone1 + 1), QStringLiteral("+48000"));
    QStringList commands;
    for (const LoggedRequest& r : sim.Requests()) commands.append(QString::number(r.command));
    QCOMPARE(commands.join(u' '), WriteAndVerifyCommands());
    QVERIFY(port.value("verified").toBool());
    const QJsonArray files = port.value("record_files").toArray();
    QCOMPARE(files.size(), 2);
    QFile recordFile(files[0].toString());
    QVERIFY(recordFile.open(QIODevice::ReadOnly));
    const QJsonObject record = QJsonDocument::fromJson(recordFile.readAll()).object();
    QCOMPARE(record.value("port").toString(), w.Port(size_t(n)));
    QCOMPARE(record.value("site").toString(), Sites[n]);
    QCOMPARE(record.value("items").toObject().value("phone1").toString(), Phones[n]);
    // Without a terminal, a line for each step that ends.
    const QString step = QStringLiteral("%1 (%2): Pobieram konfigurację nadajnika: gotowe").arg(w.Port(size_t(n)), Sites[n]);
    QVERIFY2(result.err.contains(step), qPrintable(step + "\n" + result.err));
  }
}

void TstWorkshop::refusedBeforeSending_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QByteArray>("table");
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("message");
  const QStringList provision{"-p", "{0}", "-p", "{1}", "provision", "@/t.json", "--sites", "@/s.csv"};
  QTest::newRow("a table that maps two ports to one site")
      << provision << QByteArray("site,port,phone1\nA,{0},+481\nA,{1},+482\n") << 1
      << QString("@/s.csv:3: obiekt 'A' przypisany dwóm portom: {0} (wiersz 2) i {1} (wiersz 3)");
  QTest::newRow("--site pairs that give two ports one site")
      << provision + QStringList{"--site", "{0}=A", "--site", "{1}=A"} << QByteArray("site,phone1\nA,+481\nB,+482\n") << 2
      << QString("obiekt 'A' przypisany dwóm portom: {0} i {1}");
  QTest::newRow("a port without a site")
      << provision << QByteArray("site,port,phone1\nA,{0},+481\nB,,+482\n") << 1 << QString("port {1} nie ma obiektu");
  QTest::newRow("a command of one port") << QStringList{"-p", "{0}", "-p", "{1}", "get", "pin"} << QByteArray() << 2
                                         << QString("polecenie get działa z jednym portem");
  QTest::newRow("a watch of two ports") << QStringList{"-p", "{0}", "-p", "{1}", "status", "--watch"} << QByteArray() << 2
                                        << QString("status --watch działa z jednym portem");
  QTest::newRow("a port given twice") << QStringList{"-p", "{0}", "-p", "{0}", "status"} << QByteArray() << 2
                                      << QString("port {0} podany dwa razy");
  QTest::newRow("a port given again through a link")
      << QStringList{"-p", "@/velt-a", "-p", "{1}", "-p", "{0}", "status"} << QByteArray() << 2
      << QString("@/velt-a i {0} to ten sam port");
}

void TstWorkshop::refusedBeforeSending() {
  QFETCH(QStringList, arguments);
  QFETCH(QByteArray, table);
  QFETCH(int, status);
  QFETCH(QString, message);
  Workshop w;
  START_WORKSHOP(w, (QList<QStringList>{{}, {}}), 0);
  QVERIFY(QFile::link(w.Port(0), w.Expanded("@/velt-a")));
  w.Write("@/t.json", Template);
  w.Write("@/s.csv", w.Expanded(QString::fromUtf8(table)).toUtf8());
  const CliResult result = RunCli(w.Expanded(arguments));
  QVERIFY2(result.status == status && result.err.contains(w.Expanded(message)), qPrintable(result.Describe()));
  QCOMPARE(w.RequestCount(), 0);
}

void TstWorkshop::readIntoFolder_data() {
  QTest::addColumn<QStringList>("phones");
  QTest::addColumn<QStringList>("existing");  // in the folder before
  QTest::addColumn<QStringList>("files");     // written, a port each
  QTest::newRow("one port") << QStringList{"+48600100200"} << QStringList() << QStringList{"velt-0_+48600100200.gcf"};
  QTest::newRow("a name already taken") << QStringList{"+48600100200"} << QStringList{"velt-0_+48600100200.gcf"}
                                        << QStringList{"velt-0_+48600100200_2.gcf"};
  QTest::newRow("three ports, one without a number")
      << QStringList{"+48600100200", "", "+48600100400"} << QStringList()
      << QStringList{"velt-0_+48600100200.gcf", "velt-1.gcf", "velt-2_+48600100400.gcf"};
}

void TstWorkshop::readIntoFolder() {
  QFETCH(QStringList, phones);
  QFETCH(QStringList, existing);
  QFETCH(QStringList, files);
  Workshop w;
  START_WORKSHOP(w, QList<QStringList>(phones.size()), 0);
  QStringList arguments;
  for (qsizetype n = 0; n < phones.size(); ++n) {
    ControllerState state = ControllerState::New();
    state.items[ItemIndex::Phone1] = StoredItemValue(ItemIndex::Phone1, phones[n].toLatin1());
    w.sims[size_t(n)]->SetState(state);
    const QString link = w.Expanded(QStringLiteral("@/velt-%1").arg(n));
    QVERIFY(QFile::link(w.Port(size_t(n)), link));
    arguments << "-p" << link;
  }
  const QDir out(w.Expanded("@/out"));
  QVERIFY(out.mkpath("."));
  for (const QString& name : existing) {
    QFile file(out.filePath(name));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("kept") == 4);
  }
  const CliResult result = RunCli(arguments + w.Expanded({"read", "-o", "@/out"}));
  QVERIFY2(result.status == 0, qPrintable(result.Describe()));
  QStringList all = existing + files;
  all.sort();
  QCOMPARE(out.entryList(QDir::Files, QDir::Name), all);
  for (qsizetype n = 0; n < files.size(); ++n) {
    QFile file(out.filePath(files[n]));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const std::optional<ConfigFile> read = DecodeConfigFile(file.readAll(), nullptr);
    QVERIFY(read);
    QCOMPARE(FieldRules::FormatItemValue(ConfigItems[ItemIndex::Phone1], read->record.value(ItemIndex::Phone1)), phones[n]);
  }
  for (const QString& name : existing) {
    QFile file(out.filePath(name));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("kept"));  // never replaced
  }
}

void TstWorkshop::interruptStopsEveryPort() {
  Workshop w;
  // Every reply 300 ms late: Ctrl-C lands inside a wait on every port.
  START_WORKSHOP(w, (QList<QStringList>{{"slow=300"}, {"slow=300"}}), 0);
  w.Write("@/a.gcf", ConfigFileBytes("7315", ConfigRecord::Default().values));
  QProcess cli;
  cli.setProcessEnvironment(CliEnvironment());
  cli.start(QStringLiteral(VELT_CLI_PATH), w.PortOptions() + w.Expanded({"write", "@/a.gcf"}));
  for (const auto& sim : w.sims) QVERIFY(sim->WaitForRequests(4, 10000));  // the login and three items
  ::kill(pid_t(cli.processId()), SIGINT);
  const CliResult result = Finish(cli, 10000);
  QVERIFY2(result.status == 1, qPrintable(result.Describe()));
  for (const auto& sim : w.sims) {
    const QList<LoggedRequest> requests = sim->Requests();
    QCOMPARE(requests.front().command, Cmd::Login);
    QCOMPARE(requests.back().command, Cmd::Logout);
    QVERIFY2(requests.size() - 2 < Cmd::ItemCount, qPrintable(result.Describe()));
  }
  QCOMPARE(result.out.count("przerwano (Ctrl-C) po pozycji"), 2);  // a row of the summary each
}

void TstWorkshop::summaryLost_data() {
  QTest::addColumn<QStringList>("command");
  QTest::addColumn<int>("status");
  QTest::newRow("passwd") << QStringList{"passwd", "1234"} << 7;
  QTest::newRow("write") << QStringList{"write", "@/a.gcf"} << 7;
  QTest::newRow("read, nothing changed") << QStringList{"read", "-o", "@"} << 1;
}

// The summary cannot be written (a full disk): a script still learns whether controllers changed.
void TstWorkshop::summaryLost() {
  QFETCH(QStringList, command);
  QFETCH(int, status);
  Workshop w;
  START_WORKSHOP(w, (QList<QStringList>{{}, {}}), 0);
  w.Write("@/a.gcf", ConfigFileBytes("7315", ConfigRecord::Default().values));
  QProcess cli;
  cli.setProcessEnvironment(CliEnvironment());
  cli.setStandardOutputFile(QStringLiteral("/dev/full"));
  cli.start(QStringLiteral(VELT_CLI_PATH), w.PortOptions() + w.Expanded(command));
  const CliResult result = Finish(cli, 60000);
  QVERIFY2(result.status == status && result.err.contains(QStringLiteral("brak miejsca na dysku")), qPrintable(result.Describe()));
}
