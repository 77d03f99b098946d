// Several controllers at once: a folder of their configurations, a port never opened twice,
// Ctrl-C on every port.
#include <QDir>
#include <QtTest>
#include <csignal>
#include <memory>
#include <vector>

#include "cli_rig.h"
#include "config_file.h"
#include "field_rules.h"
#include "tst_cli.h"

namespace {

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

}  // namespace

void TstWorkshop::refusedBeforeSending_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("message");
  QTest::newRow("a command of one port") << QStringList{"-p", "{0}", "-p", "{1}", "get", "pin"} << 2
                                         << QString("polecenie get działa z jednym portem");
  QTest::newRow("a watch of two ports") << QStringList{"-p", "{0}", "-p", "{1}", "status", "--watch"} << 2
                                        << QString("status --watch działa z jednym portem");
  QTest::newRow("a port given twice") << QStringList{"-p", "{0}", "-p", "{0}", "status"} << 2
                                      << QString("port {0} podany dwa razy");
  QTest::newRow("a port given again through a link")
      << QStringList{"-p", "@/velt-a", "-p", "{1}", "-p", "{0}", "status"} << 2
      << QString("@/velt-a i {0} to ten sam port");
}

void TstWorkshop::refusedBeforeSending() {
  QFETCH(QStringList, arguments);
  QFETCH(int, status);
  QFETCH(QString, message);
  Workshop w;
  START_WORKSHOP(w, (QList<QStringList>{{}, {}}), 0);
  QVERIFY(QFile::link(w.Port(0), w.Expanded("@/velt-a")));
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
