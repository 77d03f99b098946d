// The installations register: made for its owner only, texts and bytes kept exactly, searched and
// matched, the history folder imported once and whole, a damaged register left untouched while
// entries go to the folder, and several processes keeping entries at once.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

#include "configurations.h"
#include "cp1250.h"
#include "entry_export.h"
#include "history_import.h"
#include "installations.h"
#include "native_name.h"
#include "register_fault.h"
#include "register_keeper.h"
#include "register_schema.h"
#include "technician.h"

namespace {

constexpr char KeeperArgument[] = "keep-entries";

EntryLabel Label(qint64 minute, QByteArray phone1 = "+48600100200", QByteArray smsCentre = "+48501200777",
                 EntryKind kind = EntryKind::Read) {
  const QDateTime start(QDate(2025, 3, 14), QTime(10, 0), Qt::OffsetFromUTC, 3600);
  return {start.addSecs(minute * 60), kind, "/dev/ttyUSB0", QStringLiteral("VELT v 1.8"), phone1, smsCentre};
}

ConfigFile File(const EntryLabel& label, QByteArray pin = "1234") {
  ConfigRecord record = ConfigRecord::Default();
  record.setValue(ItemIndex::Phone1, label.phone1);
  record.setValue(ItemIndex::SmsCentre, label.smsCentre);
  record.setValue(ItemIndex::Pin, pin);
  return {"9876", record};
}

QByteArray Contents(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Each file of a folder with a digest of its bytes.
QStringList Snapshot(const QString& folder) {
  QStringList files;
  for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name))
    files << name + u' ' + QCryptographicHash::hash(Contents(folder + u'/' + name), QCryptographicHash::Sha1).toHex();
  return files;
}

QStringList Sites(const QList<ListedInstallation>& listed) {
  QStringList sites;
  for (const ListedInstallation& l : listed) sites << l.installation.fields.site;
  return sites;
}

int Mode(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? int(info.st_mode & 0777) : -1;
}

// The child of concurrentProcesses: keeps `count` entries, each with a number of its own.
int KeepEntries(const QString& path, const QString& history, int count) {
  RegisterKeeper keeper({path, 30000}, history);
  for (int i = 0; i < count; ++i) {
    const EntryLabel label = Label(i, "+48" + QByteArray::number(QCoreApplication::applicationPid()) + '-' + QByteArray::number(i));
    QString warning;
    const std::optional<RegisterKeeper::Kept> kept = keeper.Keep(label, File(label), {}, &warning);
    if (!kept || kept->uuid.isEmpty()) {
      QTextStream(stderr) << warning << '\n';
      return 1;
    }
  }
  return 0;
}

}  // namespace

class TestRegister : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void privateFiles_data();
  void privateFiles();
  void roundTrip_data();
  void roundTrip();
  void search_data();
  void search();
  void newestFirst();
  void edits();
  void matching_data();
  void matching();
  void secretsMasked_data();
  void secretsMasked();
  void importKeepsEveryEntry();
  void exportLoadsAnywhere();
  void damagedFallsBack_data();
  void damagedFallsBack();
  void concurrentProcesses();
  void technicianName();

 private:
  QString RegisterPath() const { return home_->path() + QStringLiteral("/data/velt/register.sqlite"); }
  QString HistoryPath() const { return home_->path() + QStringLiteral("/data/velt/history"); }
  RegisterStore& Store() {
    if (!store_) store_ = std::make_unique<RegisterStore>(RegisterStore::Options{RegisterPath(), 1000});
    return *store_;
  }

  std::unique_ptr<QTemporaryDir> home_;
  std::unique_ptr<RegisterStore> store_;
};

void TestRegister::init() {
  home_ = std::make_unique<QTemporaryDir>();
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(home_->path() + QStringLiteral("/config")));
}

void TestRegister::cleanup() {
  store_.reset();
  home_.reset();
}

void TestRegister::privateFiles_data() {
  QTest::addColumn<int>("folderBefore");  // the mode of a folder that is there already; 0 for none
  QTest::addColumn<int>("folderAfter");
  QTest::newRow("made") << 0 << 0700;
  QTest::newRow("someone else's") << 0755 << 0755;
}

void TestRegister::privateFiles() {
  QFETCH(int, folderBefore);
  QFETCH(int, folderAfter);
  const QString folder = QFileInfo(RegisterPath()).path();
  if (folderBefore) {
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(::chmod(QFile::encodeName(folder).constData(), mode_t(folderBefore)) == 0);
  }
  QCOMPARE(Store().SchemaVersion(), RegisterSchema::CurrentVersion());
  QCOMPARE(Mode(folder), folderAfter);
  QCOMPARE(Mode(RegisterPath()), 0600);
  Installations(Store()).Add({"0412", {}, {}, {}, {}}, QStringLiteral("T"));
  QCOMPARE(Mode(RegisterPath() + QStringLiteral("-wal")), 0600);
  QCOMPARE(Store().Row(QStringLiteral("PRAGMA journal_mode")).value().at(0).toString(), QStringLiteral("wal"));
}

void TestRegister::roundTrip_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QByteArray>("bytes");  // a port and a telephone number
  QTest::newRow("quotes") << QStringLiteral("O'Brien \"Dom pod lipą `x`") << QByteArray("/dev/tty'\"");
  QTest::newRow("semicolons") << QStringLiteral("a; DROP TABLE installations; --") << QByteArray("/dev/x;y");
  QTest::newRow("percent and underscore") << QStringLiteral("50%_\\") << QByteArray("%s%n_");
  QTest::newRow("not UTF-8") << NameFromBytes("Gda\xf1sk \xff\xfe") << QByteArray("/dev/\xb9\xe6\xff\x01");
  QTest::newRow("Polish letters") << QStringLiteral("Łódź, ul. Żółta") << Cp1250::Encode(u"+48ŁÓDŹ").value();
}

void TestRegister::roundTrip() {
  QFETCH(QString, text);
  QFETCH(QByteArray, bytes);
  Installations installations(Store());
  const InstallationFields fields{text, text + u'1', text + u'2', text + u'3', text + u'4'};
  // A wildcard taken as one would find this one too.
  installations.Add({QStringLiteral("decoy 50x\\ O"), {}, {}, {}, {}}, QStringLiteral("T"));
  const QString uuid = installations.Add(fields, QStringLiteral("T"));
  QCOMPARE(installations.Get(uuid)->fields, fields);
  QCOMPARE(installations.BySite(text)->uuid, uuid);
  QCOMPARE(Sites(installations.Search(text, 10)), QStringList{text});
  QCOMPARE(Sites(Installations(Store(), 1).Search(text, 10)), QStringList{text});

  Configurations configurations(Store());
  EntryLabel label = Label(1, bytes, bytes);
  label.port = bytes;
  const QString entry = configurations.Keep(label, File(label), QStringLiteral("T"), uuid);
  const Configuration expected{entry, label, QStringLiteral("T"), uuid};
  QCOMPARE(configurations.Get(entry), expected);
  QCOMPARE(configurations.Newest({}, 10), QList<Configuration>{expected});
  QCOMPARE(*configurations.Bytes(entry), EncodeConfigFile(File(label)));
}

void TestRegister::search_data() {
  QTest::addColumn<QString>("text");
  QTest::addColumn<QStringList>("sites");
  QTest::newRow("every one, latest visit first") << QString() << QStringList{"0412", "0007", "0100"};
  QTest::newRow("site") << QStringLiteral("041") << QStringList{"0412"};
  QTest::newRow("name, other case") << QStringLiteral("PIEKARNIA") << QStringList{"0007"};
  QTest::newRow("address, Polish capitals") << QStringLiteral("ŁĄKOWA") << QStringList{"0100"};
  QTest::newRow("contact") << QStringLiteral("Nowak") << QStringList{"0412", "0007"};
  QTest::newRow("short, read through") << QStringLiteral("eW") << QStringList{"0100"};
  QTest::newRow("short wildcard taken as itself") << QStringLiteral("%") << QStringList{};
  QTest::newRow("notes") << QStringLiteral("klucz u sąsiada") << QStringList{"0100"};
  QTest::newRow("telephone 1 of the newest") << QStringLiteral("600999") << QStringList{"0412"};
  QTest::newRow("telephone 3 of the newest") << QStringLiteral("+48700300") << QStringList{"0412"};
  QTest::newRow("SMS centre of the newest") << QStringLiteral("501200") << QStringList{"0412"};
  QTest::newRow("telephone of an older one") << QStringLiteral("600111") << QStringList{};
}

void TestRegister::search() {
  QFETCH(QString, text);
  QFETCH(QStringList, sites);
  Installations installations(Store());
  Configurations configurations(Store());
  const QString shop =
      installations.Add({"0412", "Sklep", "Polna 1", "Jan Nowak", {}}, QStringLiteral("T"));
  const QString bakery =
      installations.Add({"0007", "Piekarnia", "Leśna 2", "Anna Nowak", {}}, QStringLiteral("T"));
  installations.Add({"0100", "Szkoła", "Łąkowa 3", "Ewa Kowalska", "Klucz u sąsiada"}, QStringLiteral("T"));
  configurations.Keep(Label(1, "+48600111"), File(Label(1, "+48600111")), "T", shop);
  const EntryLabel other = Label(2, "+48600000", "+48601000310");
  configurations.Keep(other, File(other), "T", bakery);
  EntryLabel newest = Label(3, "+48600999", "+48501200777");
  ConfigFile file = File(newest);
  file.record.setValue(ItemIndex::Phone1 + 2, "+48700300400");
  configurations.Keep(newest, file, "T", shop);
  QCOMPARE(Sites(installations.Search(text, 50)), sites);
  QCOMPARE(Sites(installations.Search(text, 1)), sites.mid(0, 1));
  // Any text found counted as common: read through, not looked up in the index.
  QCOMPARE(Sites(Installations(Store(), 1).Search(text, 50)), sites);
}

void TestRegister::newestFirst() {
  Installations installations(Store());
  Configurations configurations(Store());
  const QString site = installations.Add({"0412", {}, {}, {}, {}}, QStringLiteral("A"));
  const QString a = configurations.Keep(Label(5), File(Label(5)), "A", site);
  const QString b = configurations.Keep(Label(5), File(Label(5)), "B");  // the same millisecond, kept later
  const QString c = configurations.Keep(Label(1), File(Label(1)), "C", site);
  auto uuids = [&](const ConfigurationScope& scope) {
    QStringList found;
    for (const Configuration& entry : configurations.Newest(scope, 10)) found << entry.uuid;
    return found;
  };
  QCOMPARE(uuids({}), (QStringList{b, a, c}));
  QCOMPARE(uuids(ConfigurationScope::Of(site)), (QStringList{a, c}));
  QCOMPARE(uuids({ConfigurationScope::Unassigned, {}}), QStringList{b});
  QCOMPARE(configurations.Newest({}, 1, 1).value(0).uuid, a);
  QCOMPARE(installations.Search({}, 1).value(0).technician, QStringLiteral("A"));

  configurations.Assign(b, site, QStringLiteral("A"));
  QCOMPARE(configurations.Count(ConfigurationScope::Of(site)), 3);
  QCOMPARE(installations.Search({}, 1).value(0).latestConfiguration, b);
  configurations.Assign(b, {}, QStringLiteral("A"));
  configurations.Assign(a, {}, QStringLiteral("A"));
  const ListedInstallation listed = installations.Search({}, 1).value(0);
  QCOMPARE(listed.latestConfiguration, c);
  QCOMPARE(listed.lastVisit, Label(1).time);
  QCOMPARE(listed.firmware, Label(1).firmware);
  QVERIFY_THROWS_EXCEPTION(RegisterFault, configurations.Assign(a, QStringLiteral("no such one"), QStringLiteral("A")));
  QCOMPARE(configurations.Get(a)->installation, QString());
}

void TestRegister::edits() {
  Installations installations(Store());
  const QString uuid = installations.Add({"0412", "Sklep", {}, {}, {}}, QStringLiteral("Anna"));
  installations.Add({"0413", {}, {}, {}, {}}, QStringLiteral("Anna"));
  installations.Edit(uuid, {2, {{}, "Sklep nocny", {}, {}, {}}}, QStringLiteral("Jan"));
  const Installation edited = *installations.Get(uuid);
  QCOMPARE(edited.createdBy, QStringLiteral("Anna"));
  QCOMPARE(edited.changedBy, QStringLiteral("Jan"));
  QVERIFY(edited.changed >= edited.created);
  QCOMPARE(Sites(installations.Search(QStringLiteral("nocny"), 10)), QStringList{"0412"});
  QVERIFY_THROWS_EXCEPTION(RegisterFault, installations.Edit(uuid, {1, {"0413", {}, {}, {}, {}}}, QStringLiteral("Jan")));
  QVERIFY_THROWS_EXCEPTION(RegisterFault, installations.Add({"0413", {}, {}, {}, {}}, QStringLiteral("Jan")));
  const auto count = Store().Row(QStringLiteral("SELECT count(*) FROM installation_edits WHERE installation = ?"), {uuid});
  QCOMPARE(count.value().at(0).toInt(), 2);
}

void TestRegister::matching_data() {
  QTest::addColumn<QByteArray>("phone1");
  QTest::addColumn<QByteArray>("smsCentre");
  QTest::addColumn<QString>("site");  // empty: nothing offered
  QTest::newRow("one installation") << QByteArray("+48600100200") << QByteArray("+48501200777") << "0412";
  QTest::newRow("another SMS centre") << QByteArray("+48600100200") << QByteArray("+48601000310") << QString();
  QTest::newRow("two installations") << QByteArray("+48600555") << QByteArray("+48501200777") << QString();
  QTest::newRow("an older configuration only") << QByteArray("+48600111") << QByteArray("+48501200777") << QString();
  QTest::newRow("an entry of none") << QByteArray("+48600777") << QByteArray("+48501200777") << QString();
  QTest::newRow("empty number") << QByteArray() << QByteArray("+48501200777") << QString();
}

void TestRegister::matching() {
  QFETCH(QByteArray, phone1);
  QFETCH(QByteArray, smsCentre);
  QFETCH(QString, site);
  Installations installations(Store());
  Configurations configurations(Store());
  const QStringList sites{"0412", "0007", "0100", "0200"};
  const QList<QByteArray> phones{"+48600100200", "+48600555", "+48600555", ""};
  for (int i = 0; i < sites.size(); ++i) {
    const QString uuid = installations.Add({sites[i], {}, {}, {}, {}}, QStringLiteral("T"));
    if (i == 0) configurations.Keep(Label(0, "+48600111"), File(Label(0, "+48600111")), "T", uuid);
    configurations.Keep(Label(i + 1, phones[i]), File(Label(i + 1, phones[i])), "T", uuid);
  }
  configurations.Keep(Label(9, "+48600777"), File(Label(9, "+48600777")), "T");
  const std::optional<QString> found = configurations.MatchingInstallation(phone1, smsCentre);
  QCOMPARE(found ? installations.Get(*found)->fields.site : QString(), site);
}

void TestRegister::secretsMasked_data() {
  QTest::addColumn<bool>("shown");
  QTest::newRow("hidden") << false;
  QTest::newRow("asked for") << true;
}

void TestRegister::secretsMasked() {
  QFETCH(bool, shown);
  Configurations configurations(Store());
  const ConfigFile file = File(Label(1), "4321");
  const QString uuid = configurations.Keep(Label(1), file, "T");
  const ShownConfiguration view = *configurations.Shown(uuid, shown ? Secrets::Shown : Secrets::Hidden);
  QCOMPARE(view.password, shown ? file.password : QByteArray(Configurations::Mask));
  QCOMPARE(view.record.value(ItemIndex::Pin), shown ? QByteArray("4321") : QByteArray(Configurations::Mask));
  QCOMPARE(view.record.value(ItemIndex::Phone1), file.record.value(ItemIndex::Phone1));
}

void TestRegister::importKeepsEveryEntry() {
  const HistoryStore history(HistoryPath());
  QString failure;
  const QByteArray longNumber(60, '7');  // cut to fit the name
  QList<EntryLabel> labels{Label(1), Label(1), Label(2, longNumber), Label(3, "+48600", "", EntryKind::BeforeFirmware)};
  for (const EntryLabel& label : labels) QVERIFY(history.Keep(label, File(label), &failure));
  // A damaged entry is kept as it is; a file velt did not name is no entry.
  QFile damaged(history.PathOf(EntryFileName(Label(4))));
  QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("gcf and not much else") > 0);
  damaged.close();
  QFile foreign(history.PathOf(QStringLiteral("notes.txt")));
  QVERIFY(foreign.open(QIODevice::WriteOnly) && foreign.write("x") > 0);
  foreign.close();
  const QStringList before = Snapshot(HistoryPath());

  std::unique_ptr<RegisterStore> store = OpenRegister({RegisterPath(), 1000}, HistoryPath());
  Configurations configurations(*store);
  QString listing;
  const QList<ListedEntry> listed = history.List(&listing);
  QVERIFY2(listing.isEmpty(), qPrintable(listing));
  QCOMPARE(configurations.Count({}), listed.size());
  const QList<Configuration> kept = configurations.Newest({}, 100);
  for (int i = 0; i < listed.size(); ++i) {
    QCOMPARE(kept[i].uuid, HistoryImport::EntryUuid(listed[i].fileName));
    QCOMPARE(*configurations.Bytes(kept[i].uuid), Contents(history.PathOf(listed[i].fileName)));
  }
  QCOMPARE(kept[2].label.phone1, longNumber);
  QCOMPARE(Snapshot(HistoryPath()), before);

  QCOMPARE(HistoryImport::ImportIfChanged(*store, HistoryPath()), std::nullopt);
  const ImportReport again = HistoryImport::Import(*store, HistoryPath());
  QCOMPARE(again.imported, 0);
  QCOMPARE(again.present, listed.size());
  QCOMPARE(configurations.Count({}), listed.size());
}

void TestRegister::exportLoadsAnywhere() {
  Configurations configurations(Store());
  const EntryLabel label = Label(7, "+48 600;'%");
  const QString uuid = configurations.Keep(label, File(label), "T");
  QString error;
  const QString folder = home_->path();
  QCOMPARE(ExportEntry(configurations, uuid, folder, &error), EntryFileName(label));
  QCOMPARE(ExportEntry(configurations, uuid, folder, &error), EntryFileName(label, 2));
  const QByteArray bytes = Contents(folder + u'/' + EntryFileName(label));
  QCOMPARE(bytes, *configurations.Bytes(uuid));
  QCOMPARE(DecodeConfigFile(bytes), File(label));
  QCOMPARE(ParseEntryFileName(EntryFileName(label))->label, label);
  QCOMPARE(ExportEntry(configurations, QStringLiteral("unknown"), folder, &error), std::nullopt);
}

void TestRegister::damagedFallsBack_data() {
  QTest::addColumn<QString>("damage");
  QTest::addColumn<int>("kind");
  QTest::newRow("not a database") << "text" << int(RegisterFault::Kind::Damaged);
  QTest::newRow("truncated") << "truncate" << int(RegisterFault::Kind::Damaged);
  QTest::newRow("locked too long") << "lock" << int(RegisterFault::Kind::Busy);
  QTest::newRow("of a newer velt") << "newer" << int(RegisterFault::Kind::Newer);
}

void TestRegister::damagedFallsBack() {
  QFETCH(QString, damage);
  QFETCH(int, kind);
  {
    // Pages enough that the last one belongs to entries, not to the installations written below.
    Configurations configurations(Store());
    RegisterStore::Transaction transaction(Store());
    for (int i = 0; i < 300; ++i) configurations.Keep(Label(i), File(Label(i)), "T");
    if (damage == u"newer") Store().Run(QStringLiteral("UPDATE register_version SET version = version + 1"));
    transaction.Commit();
    store_.reset();
  }
  QFile file(RegisterPath());
  if (damage == u"text") {
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(QByteArray(5000, 'x')) > 0);
    file.close();
  } else if (damage == u"truncate") {
    QVERIFY(file.resize(file.size() - 4096));  // its last page lost
  }
  QSqlDatabase locker = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("locker"));
  locker.setDatabaseName(RegisterPath());
  if (damage == u"lock") QVERIFY(locker.open() && QSqlQuery(locker).exec(QStringLiteral("BEGIN IMMEDIATE")));
  const QByteArray before = Contents(RegisterPath());

  try {
    RegisterStore store({RegisterPath(), 100});
    Installations(store).Add({"0412", {}, {}, {}, {}}, QStringLiteral("T"));
    QFAIL("written");
  } catch (const RegisterFault& fault) {
    QCOMPARE(int(fault.kind()), kind);
    QVERIFY(fault.message().contains(RegisterPath()));
  }
  RegisterKeeper keeper({RegisterPath(), 100}, HistoryPath());
  QString warning;
  const std::optional<RegisterKeeper::Kept> kept = keeper.Keep(Label(1000), File(Label(1000)), {}, &warning);
  QVERIFY(kept);
  QCOMPARE(kept->file, HistoryStore(HistoryPath()).PathOf(EntryFileName(Label(1000))));
  QVERIFY(warning.contains(kept->file));
  QCOMPARE(Contents(RegisterPath()), before);

  if (damage == u"lock") {
    // Once free, the register takes the next entry and the one kept meanwhile.
    QSqlQuery(locker).exec(QStringLiteral("ROLLBACK"));
    QVERIFY(keeper.Keep(Label(1001), File(Label(1001)), {}, &warning).value().uuid.size() > 0);
    QCOMPARE(warning, QString());
    QCOMPARE(Configurations(*keeper.Store(&warning)).Count({}), 302);
  }
  locker.close();
  locker = {};
  QSqlDatabase::removeDatabase(QStringLiteral("locker"));
}

void TestRegister::concurrentProcesses() {
  constexpr int Processes = 8, Entries = 50;
  QList<QProcess*> children;
  for (int i = 0; i < Processes; ++i) {
    auto* child = new QProcess(this);
    child->setProcessChannelMode(QProcess::ForwardedChannels);
    child->start(QCoreApplication::applicationFilePath(),
                 {KeeperArgument, RegisterPath(), HistoryPath(), QString::number(Entries)});
    children << child;
  }
  for (QProcess* child : children) {
    QVERIFY(child->waitForFinished(60000));
    QCOMPARE(child->exitCode(), 0);
  }
  QCOMPARE(Configurations(Store()).Count({}), Processes * Entries);
  QVERIFY(!QFileInfo::exists(HistoryPath()));
}

void TestRegister::technicianName() {
  const QString system = Technician::Name();
  QVERIFY(!system.isEmpty());
  Technician::SetName(QStringLiteral("Jan Serwisant"));
  QCOMPARE(Technician::Name(), QStringLiteral("Jan Serwisant"));
  Configurations configurations(Store());
  QString warning;
  RegisterKeeper keeper({RegisterPath(), 1000}, HistoryPath());
  const QString uuid = keeper.Keep(Label(1), File(Label(1)), {}, &warning).value().uuid;
  QCOMPARE(configurations.Get(uuid)->technician, QStringLiteral("Jan Serwisant"));
  Technician::SetName({});
  QCOMPARE(Technician::Name(), system);
}

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  if (argc == 5 && qstrcmp(argv[1], KeeperArgument) == 0)
    return KeepEntries(QString::fromLocal8Bit(argv[2]), QString::fromLocal8Bit(argv[3]), atoi(argv[4]));
  TestRegister test;
  return QTest::qExec(&test, argc, argv);
}

#include "tst_register.moc"
