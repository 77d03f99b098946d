// The configuration history from velt-cli: what each command keeps, the history commands and
// diff's @N, a dry run, and a history folder that cannot be written.
#include <QDir>
#include <QJsonArray>
#include <QScopeGuard>
#include <QtTest>

#include "cli_rig.h"
#include "config_file.h"
#include "configurations.h"
#include "entry_name.h"
#include "file_check.h"
#include "history_store.h"
#include "record_compare.h"
#include "register_store.h"
#include "tst_cli.h"

namespace {

ControllerState StateOf(const ConfigRecord& record) {
  ControllerState state = ControllerState::New();
  for (int k = 0; k < Cmd::ItemCount; ++k) state.items[size_t(k)] = StoredItemValue(k, record.value(k));
  return state;
}

ConfigRecord RecordOf(const ControllerState& state) {
  ConfigRecord record;
  record.values = state.items;
  return record;
}

ConfigRecord Changed(int k, const QByteArray& value) {
  ConfigRecord record = ConfigRecord::Default();
  record.setValue(k, value);
  return record;
}

// The record of a kept entry; one that does not load leaves it default and says why.
ConfigRecord EntryRecord(Configurations& configurations, const Configuration& entry) {
  const std::optional<QByteArray> bytes = configurations.Bytes(entry.uuid);
  const std::optional<ConfigFile> config = bytes ? DecodeConfigFile(*bytes) : std::nullopt;
  if (!config) qWarning("entry %s is not a good configuration file", qPrintable(entry.uuid));
  return config ? config->record : ConfigRecord();
}

// Odd commands 5 to 61 write an item.
bool AnyWrite(const CliRig& rig) {
  for (const LoggedRequest& r : rig.sim.Requests())
    if (Cmd::IsWriteItem(r.command)) return true;
  return false;
}

// The arguments with "@/" standing for the rig's folder; "@N" names an entry.
QStringList Here(const CliRig& rig, QStringList arguments) {
  for (QString& a : arguments) a.replace(QStringLiteral("@/"), rig.folder.path() + u'/');
  return arguments;
}

}  // namespace

void TstCliHistory::init() {
  dataHome_ = std::make_unique<DataHome>();
}

void TstCliHistory::transfersKeepEntries_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<QString>("kinds");  // of the new entries, oldest first
  QTest::addColumn<bool>("ofFile");    // each entry holds the file's record, else the controller's
  QTest::newRow("read") << QStringList{"read"} << "R" << false;
  QTest::newRow("read to a file") << QStringList{"read", "-o", "@/out.gcf"} << "R" << false;
  QTest::newRow("diff with the controller") << QStringList{"diff", "@/a.gcf", "device"} << "R" << false;
  QTest::newRow("write") << QStringList{"write", "@/a.gcf"} << "W" << true;
  QTest::newRow("write, verified") << QStringList{"write", "@/a.gcf", "--verify"} << "W R" << true;
  QTest::newRow("write, dry run") << QStringList{"write", "@/a.gcf", "--dry-run"} << "R" << false;
  QTest::newRow("provision") << QStringList{"provision", "@/a.gcf", "--sites", "@/s.csv", "--site", "A"} << "W" << true;
  QTest::newRow("get of some items") << QStringList{"get", "phone1", "pin"} << "" << false;
  QTest::newRow("set of some items") << QStringList{"set", "phone2=+48222"} << "" << false;
}

void TstCliHistory::transfersKeepEntries() {
  QFETCH(QStringList, arguments);
  QFETCH(QString, kinds);
  QFETCH(bool, ofFile);
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetState(FullState());
  const ConfigRecord file = Changed(ItemIndex::Phone1, "+48111");
  rig.File("a.gcf", ConfigFileBytes("7315", file.values));
  rig.File("s.csv", "site,phone1\nA,+48111\n");
  const ConfigRecord controller = RecordOf(FullState());

  const CliResult result = rig.Run(Here(rig, arguments));
  QVERIFY2(result.status == 0 || result.status == 5, qPrintable(result.Describe()));
  QVERIFY2(!result.err.contains(QStringLiteral("historii")), qPrintable(result.err));

  // The register holds the entries now; the folder gets none.
  QString listing;
  QVERIFY(HistoryStore().List(&listing).isEmpty());
  RegisterStore store;
  Configurations configurations(store);
  QList<Configuration> entries = configurations.Newest({}, 10);
  std::reverse(entries.begin(), entries.end());
  QStringList found;
  for (const Configuration& entry : entries) {
    found << QString(QChar(char16_t(entry.label.kind)));
    const EntryLabel& label = entry.label;
    QCOMPARE(label.port, rig.sim.DevicePath().toLocal8Bit());
    QCOMPARE(label.firmware, QStringLiteral("VELT v 1.8"));
    const ConfigRecord kept = EntryRecord(configurations, entry);
    QCOMPARE(label.phone1, kept.value(ItemIndex::Phone1));
    // A verified write reads back what it wrote.
    QCOMPARE(CompareRecords(kept, ofFile ? file : controller).size(), 0);
  }
  QCOMPARE(found.join(u' '), kinds);
}

void TstCliHistory::historyCommands_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("status");
  QTest::addColumn<QStringList>("lines");
  const auto row = [](const char* name, QStringList arguments, int status, QStringList lines) {
    QTest::newRow(name) << arguments << status << lines;
  };
  row("list, newest first", {"history"}, 0,
      {"Nr  Data i czas", "1   ", "  Zapis ", "2   ", "  Odczyt ", "3   ", "Odczyt, nieczytelny", "+48111", "+48601000310"});
  row("list as JSON", {"--json", "history"}, 0, {R"("kind":"written")", R"("number":3)", R"("readable":false)"});
  row("show", {"history", "show", "1"}, 0, {"number=1", "kind=written", "password=7315", "phone1=+48111"});
  row("show the latest as JSON", {"--json", "history", "show", "latest"}, 0, {R"("phone1":"+48111")", R"("kind":"written")"});
  row("show a damaged entry", {"history", "show", "3"}, 1, {});
  row("show past the end", {"history", "show", "4"}, 1, {});
  row("show of no number", {"history", "show", "x"}, 2, {});
  row("show without a number", {"history", "show"}, 2, {});
  row("diff of two entries", {"diff", "@2", "@latest"}, 5, {R"(phone1: @2 "+48601000310", @latest "+48111")"});
  row("diff of an entry and a file", {"diff", "@1", "@/a.gcf"}, 0, {"Brak różnic"});
  row("diff of an entry and the controller", {"diff", "@latest", "device"}, 0, {"Brak różnic"});
  row("diff of entry 0", {"diff", "@0", "@1"}, 2, {});
  row("diff of a damaged entry", {"diff", "@3", "@1"}, 1, {});
}

void TstCliHistory::historyCommands() {
  QFETCH(QStringList, arguments);
  QFETCH(int, status);
  QFETCH(QStringList, lines);
  CliRig rig;
  START_RIG(rig);
  const ConfigRecord file = Changed(ItemIndex::Phone1, "+48111");
  rig.File("a.gcf", ConfigFileBytes("7315", file.values));
  rig.sim.SetState(StateOf(Changed(ItemIndex::Phone1, "+48601000310")));
  // A damaged entry, oldest, then a read and a write.
  const HistoryStore store;
  QVERIFY(QDir().mkpath(store.Folder()));
  const EntryLabel damaged{QDateTime::currentDateTime().addDays(-1), EntryKind::Read, "/dev/ttyS0", {}, "+48", ""};
  QFile broken(store.PathOf(EntryFileName(damaged)));
  QVERIFY(broken.open(QIODevice::WriteOnly) && broken.write("gcf") == 3);
  broken.close();
  QCOMPARE(rig.Run({"read"}).status, 0);
  QCOMPARE(rig.Run(Here(rig, {"write", "@/a.gcf"})).status, 0);

  const CliResult result = rig.Run(Here(rig, arguments));
  QVERIFY2(result.status == status, qPrintable(result.Describe()));
  for (const QString& line : Here(rig, lines)) QVERIFY2(result.out.contains(line), qPrintable(line + " in\n" + result.out));
  if (status != 0 && status != 5) QVERIFY2(result.err.startsWith(QStringLiteral("velt-cli: ")), qPrintable(result.err));
}

void TstCliHistory::dryRun_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("output");
  QTest::newRow("set, nothing to change") << QStringList{"set", "phone1=+48601000310", "limit_sms=0"} << 0
                                          << "Zapis niczego nie zmieni\n";
  QTest::newRow("set, a change") << QStringList{"set", "phone1=+48111", "limit_sms=0"} << 5
                                 << "Zapis zmieni pozycji: 1\n  phone1: sterownik \"+48601000310\", zapis \"+48111\"\n";
  QTest::newRow("write of the same") << QStringList{"write", "@/same.gcf"} << 0 << "Zapis niczego nie zmieni\n";
  QTest::newRow("write, two changes") << QStringList{"write", "@/a.gcf"} << 5
                                      << "Zapis zmieni pozycji: 2\n  phone1: sterownik \"+48601000310\", zapis \"+48111\"\n"
                                         "  limit_sms: sterownik \"0\", zapis \"7\"\n";
  QTest::newRow("set with verification") << QStringList{"set", "phone1=+48111", "--verify"} << 2 << "";
  QTest::newRow("write on two ports") << QStringList{"write", "@/a.gcf", "-p", "/dev/null"} << 2 << "";
}

void TstCliHistory::dryRun() {
  QFETCH(QStringList, arguments);
  QFETCH(int, status);
  QFETCH(QString, output);
  CliRig rig;
  START_RIG(rig);
  const ConfigRecord held = Changed(ItemIndex::Phone1, "+48601000310");
  ConfigRecord other = Changed(ItemIndex::Phone1, "+48111");
  other.setValue(ItemIndex::LimitSms, "\x07");
  rig.File("same.gcf", ConfigFileBytes("7315", held.values));
  rig.File("a.gcf", ConfigFileBytes("7315", other.values));
  rig.sim.SetState(StateOf(held));

  const CliResult result = rig.Run(Here(rig, arguments + QStringList{"--dry-run"}));
  QVERIFY2(result.status == status, qPrintable(result.Describe()));
  QCOMPARE(result.out, output);
  QVERIFY2(!AnyWrite(rig), qPrintable(rig.Commands()));
  QCOMPARE(rig.sim.State().items, StateOf(held).items);
}

void TstCliHistory::unwritableFolder_data() {
  QTest::addColumn<QString>("dataHome");  // "@/" the rig's folder; empty: neither it nor HOME set
  QTest::newRow("below a file") << "@/plain/data";
  QTest::newRow("nowhere") << "";
}

// Two entries fail to be kept (the write and its read-back): one warning, and the write is made.
void TstCliHistory::unwritableFolder() {
  QFETCH(QString, dataHome);
  CliRig rig;
  START_RIG(rig);
  const ConfigRecord file = Changed(ItemIndex::Phone1, "+48111");
  rig.File("a.gcf", ConfigFileBytes("7315", file.values));
  rig.File("plain", "");
  const QByteArray home = qgetenv("HOME");
  const auto restoreHome = qScopeGuard([&home] { qputenv("HOME", home); });
  if (dataHome.isEmpty()) {
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("HOME");
  } else {
    qputenv("XDG_DATA_HOME", QFile::encodeName(Here(rig, {dataHome})[0]));
  }

  const CliResult result = rig.Run(Here(rig, {"-q", "write", "@/a.gcf", "--verify"}));
  QVERIFY2(result.status == 0, qPrintable(result.Describe()));
  QCOMPARE(rig.sim.State().items, StateOf(file).items);
  QCOMPARE(result.err.count(u'\n'), 1);
  QVERIFY2(result.err.startsWith(QStringLiteral("velt-cli: uwaga: ")) &&
               result.err.contains(QStringLiteral("; nie zapisano też historii konfiguracji (")),
           qPrintable(result.err));
}

void TstCliHistory::unreadableFolder_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<bool>("damaged");  // the register
  QTest::newRow("list") << QStringList{"history"} << true;
  QTest::newRow("list as JSON") << QStringList{"--json", "history"} << true;
  QTest::newRow("show") << QStringList{"history", "show", "1"} << true;
  QTest::newRow("diff of the latest") << QStringList{"diff", "@latest", "@/a.gcf"} << true;
  QTest::newRow("list of a whole register") << QStringList{"history"} << false;
  QTest::newRow("list of a whole register as JSON") << QStringList{"--json", "history"} << false;
}

// A file where the folder should be: with a damaged register the history cannot be read, which
// is no empty history; with a whole one, the folder's entries could not come into it, and that
// is told.
void TstCliHistory::unreadableFolder() {
  QFETCH(QStringList, arguments);
  QFETCH(bool, damaged);
  CliRig rig;
  START_RIG(rig);
  rig.File("a.gcf", ConfigFileBytes("7315", ConfigRecord::Default().values));
  const HistoryStore store;
  QVERIFY(QDir().mkpath(QFileInfo(store.Folder()).path()));
  if (damaged) {
    QFile file(RegisterFile::DefaultPath());
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(4096, 'x')) == 4096);
  }
  QFile placed(store.Folder());
  QVERIFY(placed.open(QIODevice::WriteOnly));
  placed.close();
  QString error;
  QVERIFY(store.List(&error).isEmpty());
  QVERIFY(!error.isEmpty());

  const CliResult result = rig.Run(Here(rig, arguments));
  if (!damaged) {
    QVERIFY2(result.status == 0 && result.err.contains(QStringLiteral("nie można zaimportować wpisów z folderu historii %1").arg(store.Folder())),
             qPrintable(result.Describe()));
    return;
  }
  QVERIFY2(result.status == 1, qPrintable(result.Describe()));
  if (arguments.contains("--json")) QCOMPARE(result.Json().value("error").toString(), error);
  else QVERIFY2(result.err.endsWith(QStringLiteral("velt-cli: %1\n").arg(error)), qPrintable(result.err));
}
