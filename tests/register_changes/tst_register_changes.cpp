// The register's facts on one computer: an assignment and an edit are rows of their own, never
// updates in place; an edit carries only the fields changed, so two saves of forms filled alike
// keep both; clearing a field is an edit; edits are ordered by a hybrid logical clock, which a
// wall clock set hours ahead cannot upset; a register of the first schema keeps its assignments
// and is searched as a new one.
#include <functional>

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include "configurations.h"
#include "installation_changes.h"
#include "installations.h"
#include "register_fault.h"
#include "register_keeper.h"
#include "register_schema.h"
#include "register_store.h"

namespace {

EntryLabel Label(qint64 minute) {
  const QDateTime start(QDate(2025, 3, 14), QTime(10, 0), Qt::OffsetFromUTC, 3600);
  return {start.addSecs(minute * 60), EntryKind::Read, "/dev/ttyUSB0", QStringLiteral("VELT v 1.8"), "+48600100200",
          "+48501200777"};
}

ConfigFile File() {
  ConfigRecord record = ConfigRecord::Default();
  record.setValue(ItemIndex::Pin, "1234");
  return {"9876", record};
}

constexpr qint64 Hour = 3600 * 1000;
constexpr qint64 Start = 1'740'000'000'000;

qint64 Rows(RegisterStore& store, const char* table) {
  return store.Row(QStringLiteral("SELECT count(*) FROM %1").arg(QLatin1String(table)))->at(0).toLongLong();
}

// A register as the first schema made it at `path`, holding what `fill` puts in it.
void FirstSchemaRegister(const QString& path, const std::function<void(QSqlQuery&)>& fill) {
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("first-schema"));
    db.setDatabaseName(path);
    QVERIFY(db.open());
    QSqlQuery query(db);
    for (const QString& statement : RegisterSchema::Steps().first()) QVERIFY2(query.exec(statement), qPrintable(statement));
    QVERIFY(query.exec(QStringLiteral("CREATE TABLE register_version (version INTEGER NOT NULL)")));
    QVERIFY(query.exec(QStringLiteral("INSERT INTO register_version VALUES (1)")));
    fill(query);
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("first-schema"));
}

}  // namespace

class TestRegisterChanges : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void cleanup();
  void assignmentIsARow();
  void twoFormsBothKept();
  void clearingIsAnEdit();
  void wrongClock_data();
  void wrongClock();
  void firstSchemaMigrated();
  void upgradeRefreshesSearch();

 private:
  RegisterStore& Store() {
    if (!store_) store_ = std::make_unique<RegisterStore>(RegisterStore::Options{Path(), 1000, [this] { return nowMs_; }});
    return *store_;
  }
  QString Path() const { return home_->filePath(QStringLiteral("register.sqlite")); }

  std::unique_ptr<QTemporaryDir> home_;
  std::unique_ptr<RegisterStore> store_;
  qint64 nowMs_ = Start;  // the register's wall clock
};

void TestRegisterChanges::init() {
  home_ = std::make_unique<QTemporaryDir>();
  nowMs_ = Start;
}

void TestRegisterChanges::cleanup() {
  store_.reset();
  home_.reset();
}

void TestRegisterChanges::assignmentIsARow() {
  Installations installations(Store());
  Configurations configurations(Store());
  const QString a = installations.Add({"A-1", {}, {}, {}, {}}, QStringLiteral("Anna"));
  const QString b = installations.Add({"B-2", {}, {}, {}, {}}, QStringLiteral("Anna"));
  const QString entry = configurations.Keep(Label(0), File(), QStringLiteral("Anna"));
  const QString kept = Store().Row(QStringLiteral("SELECT id FROM configurations WHERE uuid = ?"), {entry})->at(0).toString();
  configurations.Assign(entry, a, QStringLiteral("Anna"));
  configurations.Assign(entry, b, QStringLiteral("Jan"));
  // Two rows of their own; the entry's own row still says how it was kept.
  QCOMPARE(Rows(Store(), "assignments"), 2);
  QCOMPARE(configurations.Get(entry)->installation, b);
  QVERIFY(Store().Row(QStringLiteral("SELECT 1 FROM configurations WHERE uuid = ? AND kept_installation IS NULL"), {entry}));
  QCOMPARE(Store().Row(QStringLiteral("SELECT max(id) FROM configurations"))->at(0).toString(), kept);
  // An assignment from another computer made before the newest one seen here changes nothing;
  // one made after it does.
  const qint64 newest = Store().Row(QStringLiteral("SELECT max(clock) FROM assignments"))->at(0).toLongLong();
  QVERIFY(configurations.KeepAssignment({QStringLiteral("00000000-0000-4000-8000-000000000001"), entry, a, Start, "Ola", newest - 1}, true));
  QCOMPARE(configurations.Get(entry)->installation, b);
  QVERIFY(!configurations.KeepAssignment({QStringLiteral("00000000-0000-4000-8000-000000000001"), entry, a, Start, "Ola", newest + 1}, true));
  QVERIFY(configurations.KeepAssignment({QStringLiteral("00000000-0000-4000-8000-000000000002"), entry, a, Start, "Ola", newest + 1}, true));
  QCOMPARE(configurations.Get(entry)->installation, a);
  QCOMPARE(installations.Search(QStringLiteral("A-1"), 1).value(0).latestConfiguration, entry);
  QCOMPARE(installations.Search(QStringLiteral("B-2"), 1).value(0).latestConfiguration, QString());
}

void TestRegisterChanges::twoFormsBothKept() {
  Installations installations(Store());
  const InstallationFields made{"K-7", "Kotłownia", "Polna 1", "tel. 600", {}};
  const QString uuid = installations.Add(made, QStringLiteral("Anna"));
  // Two forms filled from the same installation; each saves what its user changed.
  InstallationFields first = made, second = made;
  first.name = QStringLiteral("Kotłownia główna");
  second.address = QStringLiteral("Polna 2");
  nowMs_ += 1000;
  installations.Edit(uuid, FieldEdit::Between(made, first), QStringLiteral("Anna"));
  nowMs_ += 1000;
  installations.Edit(uuid, FieldEdit::Between(made, second), QStringLiteral("Jan"));
  QCOMPARE(installations.Get(uuid)->fields,
           (InstallationFields{"K-7", QStringLiteral("Kotłownia główna"), QStringLiteral("Polna 2"), "tel. 600", {}}));
  // A save with nothing changed keeps nothing.
  const InstallationFields now = installations.Get(uuid)->fields;
  installations.Edit(uuid, FieldEdit::Between(now, now), QStringLiteral("Jan"));
  QCOMPARE(Rows(Store(), "installation_edits"), 3);
}

void TestRegisterChanges::clearingIsAnEdit() {
  Installations installations(Store());
  const QString uuid = installations.Add({"K-7", "Kotłownia", {}, {}, QStringLiteral("klucz u sąsiada")}, QStringLiteral("Anna"));
  nowMs_ += 1000;
  installations.Edit(uuid, {1 << 4, {}}, QStringLiteral("Jan"));
  QCOMPARE(installations.Get(uuid)->fields.notes, QString());
  QCOMPARE(installations.Get(uuid)->fields.name, QStringLiteral("Kotłownia"));
  const QList<FieldChange> changes = InstallationChanges::Of(InstallationChanges::Local(Store(), uuid));
  QCOMPARE(changes.last().field, "notes");
  QCOMPARE(changes.last().before, QStringLiteral("klucz u sąsiada"));
  QCOMPARE(changes.last().after, QString());
  QCOMPARE(changes.last().by, QStringLiteral("Jan"));
  // An empty site is no edit of one.
  QVERIFY_THROWS_EXCEPTION(RegisterFault, installations.Edit(uuid, {1, {}}, QStringLiteral("Jan")));
}

void TestRegisterChanges::wrongClock_data() {
  QTest::addColumn<qint64>("offMs");  // how far the clock was wrong at the first edit
  QTest::newRow("3 h fast") << 3 * Hour;
  QTest::newRow("a day fast") << 24 * Hour;
  QTest::newRow("one millisecond fast") << qint64(1);
  QTest::newRow("on time") << qint64(0);
}

void TestRegisterChanges::wrongClock() {
  QFETCH(qint64, offMs);
  Installations installations(Store());
  const QString uuid = installations.Add({"K-7", "Kotłownia", {}, {}, {}}, QStringLiteral("Anna"));
  nowMs_ = Start + offMs;
  installations.Edit(uuid, {2, {{}, QStringLiteral("Zła godzina"), {}, {}, {}}}, QStringLiteral("Anna"));
  nowMs_ = Start + 1000;  // the clock put right, the next edit a second after the first was made
  installations.Edit(uuid, {2, {{}, QStringLiteral("Dobra godzina"), {}, {}, {}}}, QStringLiteral("Anna"));
  QCOMPARE(installations.Get(uuid)->fields.name, QStringLiteral("Dobra godzina"));
  const QList<FieldChange> changes = InstallationChanges::Of(InstallationChanges::Local(Store(), uuid));
  QCOMPARE(changes.last().after, QStringLiteral("Dobra godzina"));
  QCOMPARE(changes.last().before, QStringLiteral("Zła godzina"));
}

void TestRegisterChanges::firstSchemaMigrated() {
  // A register as the first schema made it, with an entry assigned in place.
  QTemporaryDir old;
  const QString oldPath = old.filePath(QStringLiteral("old.sqlite"));
  FirstSchemaRegister(oldPath, [](QSqlQuery& query) {
    for (const char* statement :
         {"INSERT INTO installations (uuid, site, name, address, contact, notes, created_ms, created_by, changed_ms, "
          "changed_by, search_text) VALUES ('i-1', 'K-7', 'Kotlownia', '', '', '', 1, 'Anna', 1, 'Anna', '')",
          "INSERT INTO installation_edits VALUES ('e-1', 'i-1', 1, 'Anna', 'K-7', 'Kotlownia', '', '', '')",
          "INSERT INTO configurations (uuid, taken_ms, utc_offset, kind, port, firmware, technician, installation, "
          "phone1, sms_centre, bytes) VALUES ('c-1', 5, 0, 'R', '', '', 'Anna', 'i-1', '', '', '')"})
      QVERIFY2(query.exec(QLatin1String(statement)), statement);
  });
  if (QTest::currentTestFailed()) return;
  RegisterStore store({oldPath, 1000});
  QCOMPARE(store.SchemaVersion(), RegisterSchema::CurrentVersion());
  // The assignment made in place is a row that travels now; the entry still belongs to it.
  QCOMPARE(store.Row(QStringLiteral("SELECT configuration, installation FROM assignments"))->at(1).toString(), QStringLiteral("i-1"));
  QCOMPARE(Configurations(store).Get(QStringLiteral("c-1"))->installation, QStringLiteral("i-1"));
  QCOMPARE(Installations(store).Get(QStringLiteral("i-1"))->fields.name, QStringLiteral("Kotlownia"));
  QVERIFY(Installations(store).Refresh(QStringLiteral("i-1")));
  QCOMPARE(Installations(store).Get(QStringLiteral("i-1"))->fields.name, QStringLiteral("Kotlownia"));
}

void TestRegisterChanges::upgradeRefreshesSearch() {
  // A register of the first schema keeps its search text as that version made it: lower case,
  // the diacritics kept. After the upgrade a search without them finds it all the same.
  QTemporaryDir old;
  const QString oldPath = old.filePath(QStringLiteral("old.sqlite"));
  FirstSchemaRegister(oldPath, [](QSqlQuery& query) {
    QVERIFY(query.prepare(QStringLiteral(
        "INSERT INTO installations (uuid, site, name, address, contact, notes, created_ms, created_by, changed_ms, "
        "changed_by, search_text) VALUES ('i-1', 'K-7', 'Kotłownia', ?, '', '', 1, 'Anna', 1, 'Anna', ?)")));
    const QString address = QStringLiteral("ul. Żółkiewskiego 5");
    query.addBindValue(address.toUtf8());
    query.addBindValue(QStringLiteral("k-7\nkotłownia\n") + address.toLower());
    QVERIFY(query.exec());
  });
  if (QTest::currentTestFailed()) return;
  const std::unique_ptr<RegisterStore> store = OpenRegister({oldPath, 1000}, old.filePath(QStringLiteral("history")));
  for (const QString& typed : {QStringLiteral("zolk"), QStringLiteral("ŻÓŁK"), QStringLiteral("kotlownia")}) {
    const QList<ListedInstallation> found = Installations(*store).Search(typed, 10);
    QVERIFY2(found.size() == 1, qPrintable(typed));
  }
}

QTEST_GUILESS_MAIN(TestRegisterChanges)
#include "tst_register_changes.moc"
