// The installations register from velt-cli: sites added, edited (a field cleared), searched and
// shown; entries linked to a site, and assigned to one afterwards; the history folder imported;
// entries exported; a damaged register; a shared register that does not answer.
#include <QDir>
#include <QJsonArray>
#include <QScopeGuard>
#include <QSqlQuery>
#include <QtTest>

#include "cli_rig.h"
#include "history_store.h"
#include "register_file.h"
#include "tst_cli.h"

namespace {

const QString Unreachable = QStringLiteral("postgresql://x@127.0.0.1:1/db");

// velt-cli run with no file it writes growing past `bytes`.
CliResult RunLimited(qint64 bytes, const QStringList& arguments) {
  QProcess cli;
  cli.setProcessEnvironment(CliEnvironment());
  LimitFileSize(cli, bytes);
  cli.start(QStringLiteral(VELT_CLI_PATH), arguments);
  return Finish(cli, 20000);
}

// A command of RunAll that begins with it and a number of bytes runs with no file growing past them.
const QString FileLimit = QStringLiteral("ulimit -f");
// Room for the register's own files, not for a table's many sites.
const QString RegisterRoom = QStringLiteral("200000");

// Runs each command in turn; the result of the last one.
CliResult RunAll(const QList<QStringList>& commands) {
  CliResult result;
  for (const QStringList& command : commands)
    result = command.value(0) == FileLimit ? RunLimited(command[1].toLongLong(), command.mid(2)) : RunCli(command, 20000);
  return result;
}

// The letters with their accents as combining marks, as some keyboards and file systems give them.
QString Decomposed(const char* text) { return QString::fromUtf8(text).normalized(QString::NormalizationForm_D); }

// Sites with long notes: more than the register may grow by under RegisterRoom.
QString ManySites() {
  QString table = QStringLiteral("site,name,notes\n");
  for (int i = 0; i < 300; ++i) table += QStringLiteral("S%1,Obiekt %1,%2\n").arg(i).arg(QString(1000, u'n'));
  return table;
}

void Contains(const QString& text, const QStringList& lines, bool present = true) {
  for (const QString& line : lines)
    QVERIFY2(text.contains(line) == present, qPrintable((present ? "missing " : "unexpected ") + line + " in\n" + text));
}

}  // namespace

void TstCliRegister::init() {
  dataHome_ = std::make_unique<DataHome>();
  configHome_ = std::make_unique<QTemporaryDir>();
  qputenv("XDG_CONFIG_HOME", QFile::encodeName(configHome_->path()));
  qunsetenv("VELT_REGISTER");
}

void TstCliRegister::sites_data() {
  QTest::addColumn<QList<QStringList>>("commands");
  QTest::addColumn<int>("status");
  QTest::addColumn<QStringList>("present");
  QTest::addColumn<QStringList>("absent");
  const QStringList add{"site", "add", "0412", "--name", R"(Dom "pod"; 50%_)", "--address", "ul. Łąkowa 1"};
  const QStringList other{"site", "add", "0007", "--name", "Piekarnia", "--contact", "Nowak"};
  const auto row = [](const char* name, QList<QStringList> commands, int status, QStringList present, QStringList absent = {}) {
    QTest::newRow(name) << commands << status << present << absent;
  };
  row("every site", {add, other, {"sites"}}, 0, {"0412", "0007", R"(Dom "pod"; 50%_)"});
  row("percent taken as itself", {add, other, {"sites", "50%"}}, 0, {"0412"}, {"0007"});
  row("no such text", {add, other, {"sites", "%x"}}, 0, {}, {"0412", "0007"});
  row("as JSON", {add, {"--json", "sites", "pod"}}, 0, {R"("name":"Dom \"pod\"; 50%_")", R"("site":"0412")"});
  row("show", {add, {"site", "show", "0412"}}, 0, {R"(name=Dom "pod"; 50%_)", "address=ul. Łąkowa 1", "contact=\n"});
  row("edit keeps what is not given", {add, {"site", "edit", "0412", "--contact", "Jan; 100%"}, {"site", "show", "0412"}}, 0,
      {R"(name=Dom "pod"; 50%_)", "contact=Jan; 100%"});
  row("changes", {add, {"site", "edit", "0412", "--name", "Nowa"}, {"site", "show", "0412", "--changes"}}, 0,
      {R"(name: "Dom "pod"; 50%_" -> "Nowa")", "Zmiany: 4"});
  row("clearing a field is an edit", {add, {"site", "edit", "0412", "--address", ""}, {"site", "show", "0412"}}, 0,
      {"address=\n", R"(name=Dom "pod"; 50%_)"});
  row("changes not sent yet", {add, {"site", "show", "0412", "--changes"}}, 0, {"(nie wysłano)"});
  row("show as JSON", {add, {"--json", "site", "show", "0412"}}, 0, {R"("site":"0412")", R"("configurations":[])"});
  const QStringList polish{"site", "add", "0001", "--name", "Sklep", "--address", "ul. Żółkiewskiego 5"};
  const QStringList plain{"site", "add", "0002", "--name", "Apteka", "--address", "ul. Zolkiewskiego 7"};
  row("letters without diacritics find both", {polish, plain, {"sites", "zolk"}}, 0, {"0001", "0002"});
  row("capitals with diacritics find both", {polish, plain, {"sites", "ŻÓŁK"}}, 0, {"0001", "0002"});
  row("diacritics typed find the plain letters", {polish, plain, {"sites", "żółk"}}, 0, {"0001", "0002"});
  row("combining accents typed", {polish, plain, {"sites", Decomposed("Żółkiewskiego 5")}}, 0, {"0001"}, {"0002"});
  row("import of a provisioning table", {{"sites", "import", "@/s.csv"}, {"sites"}}, 0, {"A1", "Sklep; \"Róg\"", "B2"});
  row("import past the file-size limit", {add, {FileLimit, RegisterRoom, "sites", "import", "@/many.csv"}}, 1,
      {"many.csv:", "przed tym wierszem dodano instalacji: "}, {"many.csv:2:"});
  const QStringList import{"sites", "import", "@/s.csv"};
  const QStringList renamed{"site", "edit", "A1", "--name", "Inna"};
  row("import tells what differs", {import, renamed, import}, 0, {R"("Inna")", R"("Sklep; "Róg"")", "zmieniono: 0", "--update"});
  row("import --update takes the table's", {import, renamed, import + QStringList{"--update"}, {"site", "show", "A1"}}, 0,
      {R"(name=Sklep; "Róg")"}, {"Inna"});
  row("--update of a search", {{"sites", "A1", "--update"}}, 2, {});
  row("ID with a tab", {{"sites", "import", "@/tab.csv"}}, 1, {"tab.csv:2: kolumna 1", "znak sterujący"});
  row("ID with a bidirectional control", {{"sites", "import", "@/bidi.csv"}}, 1, {"bidi.csv:2: kolumna 1", "znak sterujący"});
  const QStringList composed{"site", "add", "Łódź-1", "--name", "Dom"};
  row("a decomposed ID is the same site", {composed, {"sites", "import", "@/nfd.csv"}}, 0, {"Dodano instalacji: 0, już w rejestrze: 1"});
  row("a decomposed ID typed", {composed, {"site", "show", Decomposed("Łódź-1")}}, 0, {"name=Dom"});
  row("site taken", {add, add}, 1, {});
  row("import without a table", {{"sites", "import"}}, 2, {});
  row("add of an empty ID", {{"site", "add", "", "--name", "a"}}, 2, {});
  row("add of an ID with a space", {{"site", "add", "0412 ", "--name", "a"}}, 2, {});
  row("show of an ID with spaces", {add, {"site", "show", " 0412 "}}, 2, {});
  row("edit of an ID with spaces", {add, {"site", "edit", " 0412 ", "--name", "x"}}, 2, {});
  row("add without a name", {{"site", "add", "0412"}}, 2, {});
  row("edit of nothing", {add, {"site", "edit", "0412"}}, 2, {});
  row("edit of an unknown site", {{"site", "edit", "0412", "--name", "x"}}, 1, {});
  row("show of an unknown site", {{"site", "show", "0412"}}, 1, {});
  row("unknown form", {{"site", "drop", "0412"}}, 2, {});
  row("a name for show", {add, {"site", "show", "0412", "--name", "x"}}, 2, {});
  const QStringList reordered{"site", "add", "0412", "--name", "A\u202eB\u2066C"};
  row("bidirectional controls escaped", {reordered, {"sites"}}, 0, {"A\\u202eB\\u2066C"}, {"\u202e", "\u2066"});
  row("bidirectional controls escaped by show", {reordered, {"site", "show", "0412"}}, 0, {"name=A\\u202eB\\u2066C"},
      {"\u202e", "\u2066"});
}

void TstCliRegister::sites() {
  QFETCH(QList<QStringList>, commands);
  QFETCH(int, status);
  QFETCH(QStringList, present);
  QFETCH(QStringList, absent);
  QTemporaryDir folder;
  QFile table(folder.filePath("s.csv"));
  QVERIFY(table.open(QIODevice::WriteOnly));
  table.write("site;name;phone1\nA1;\"Sklep; \"\"Róg\"\"\";+48111\nB2;;+48222\n");
  table.close();
  const QString decomposed = Decomposed("Łódź-1");
  for (const auto& [name, text] : {std::pair{"tab.csv", QStringLiteral("site,name\n\"A\tB\",x\n")},
                                   std::pair{"bidi.csv", QStringLiteral("site,name\nA\u202eB,x\n")},
                                   std::pair{"nfd.csv", QStringLiteral("site,name\n%1,Dom\n").arg(decomposed)},
                                   std::pair{"many.csv", ManySites()}}) {
    QFile file(folder.filePath(QLatin1String(name)));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0);
  }
  for (QStringList& command : commands) command.replaceInStrings(QStringLiteral("@/"), folder.path() + u'/');
  const CliResult result = RunAll(commands);
  QVERIFY2(result.status == status, qPrintable(result.Describe()));
  Contains(result.out + result.err, present);
  Contains(result.out + result.err, absent, false);
}

void TstCliRegister::linkedEntries_data() {
  QTest::addColumn<QStringList>("transfer");
  QTest::addColumn<QStringList>("show");  // options of site show
  QTest::addColumn<QStringList>("present");
  QTest::addColumn<QStringList>("absent");
  const QStringList read{"read", "--site", "0412"};
  QTest::newRow("read, secrets hidden") << read << QStringList{} << QStringList{"  Odczyt ", "password=****", "pin=****"}
                                        << QStringList{"7315", "2580"};
  QTest::newRow("read, secrets shown") << read << QStringList{"--show-secrets"}
                                       << QStringList{"password=7315", "pin=2580"} << QStringList{"****"};
  QTest::newRow("provision of the site") << QStringList{"provision", "@/a.gcf", "--sites", "@/s.csv", "--site", "0412"}
                                         << QStringList{} << QStringList{"  Zapis ", "phone1=+48111"} << QStringList{"7315"};
}

// The entries kept with --site belong to the site: site show lists them, its newest shown masked.
void TstCliRegister::linkedEntries() {
  QFETCH(QStringList, transfer);
  QFETCH(QStringList, show);
  QFETCH(QStringList, present);
  QFETCH(QStringList, absent);
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetState(FullState());
  ConfigRecord file = ConfigRecord::Default();
  file.setValue(ItemIndex::Phone1, "+48111");
  rig.File("a.gcf", ConfigFileBytes("7315", file.values));
  rig.File("s.csv", "site,phone1\n0412,+48111\n");
  if (transfer.front() != u"provision") QCOMPARE(RunCli({"site", "add", "0412", "--name", "Dom"}).status, 0);
  // An entry of no site beforehand: it is not the site's.
  QCOMPARE(rig.Run({"read"}).status, 0);

  const CliResult kept = rig.Run(rig.InFolder(transfer));
  QVERIFY2(kept.status == 0, qPrintable(kept.Describe()));
  const CliResult result = RunCli(QStringList{"site", "show", "0412"} + show);
  QVERIFY2(result.status == 0, qPrintable(result.Describe()));
  Contains(result.out, present + QStringList{"Konfiguracje: 1"});
  Contains(result.out, absent, false);
}

void TstCliRegister::unknownSite() {
  CliRig rig;
  START_RIG(rig);
  const CliResult result = rig.Run({"read", "--site", "0412"});
  QVERIFY2(result.status == 1 && result.err.contains("0412"), qPrintable(result.Describe()));
  QCOMPARE(rig.Commands(), QString());
}

// Every entry of an existing folder is listed after its import, and exported back as files that load.
void TstCliRegister::importAndExport() {
  const HistoryStore store;
  const QDateTime start = QDateTime::currentDateTime().addDays(-1);
  constexpr int Entries = 5;
  QStringList names;
  for (int i = 0; i < Entries; ++i) {
    ConfigRecord record = ConfigRecord::Default();
    const QByteArray phone = "+4860010020" + QByteArray::number(i);
    record.setValue(ItemIndex::Phone1, phone);
    QString failure;
    const std::optional<QString> name =
        store.Keep({start.addSecs(i), EntryKind::Read, "/dev/ttyS0", {}, phone, ""}, {"7315", record}, &failure);
    QVERIFY2(name, qPrintable(failure));
    names.prepend(*name);
  }
  const CliResult listed = RunCli({"--json", "history"});
  QVERIFY2(listed.status == 0, qPrintable(listed.Describe()));
  const QJsonArray entries = listed.Json().value("entries").toArray();
  QCOMPARE(entries.size(), Entries);
  for (int i = 0; i < Entries; ++i)
    QCOMPARE(entries[i].toObject().value("phone1").toString(), QStringLiteral("+4860010020%1").arg(Entries - 1 - i));
  const CliResult state = RunCli({"register"});
  QVERIFY2(state.out.contains(QStringLiteral("wpisów: %1").arg(Entries)), qPrintable(state.Describe()));

  QTemporaryDir out;
  const CliResult exported = RunCli({"register", "export", out.path()});
  QVERIFY2(exported.status == 0, qPrintable(exported.Describe()));
  QStringList files = QDir(out.path()).entryList(QDir::Files, QDir::Name);
  QStringList expected = names;
  expected.sort();
  QCOMPARE(files, expected);
  for (const QString& name : files) {
    const CliResult shown = RunCli({"show", out.filePath(name)});
    QVERIFY2(shown.status == 0 && shown.out.contains(QStringLiteral("phone1=+4860010020")), qPrintable(shown.Describe()));
  }

  // Again into the same folder: the files there are the entries', none is written twice.
  const CliResult again = RunCli({"--json", "register", "export", out.path()});
  QVERIFY2(again.status == 0, qPrintable(again.Describe()));
  QCOMPARE(again.Json().value("files").toArray().size(), 0);
  QCOMPARE(again.Json().value("present").toArray().size(), Entries);
  QCOMPARE(QDir(out.path()).entryList(QDir::Files, QDir::Name), expected);
  // Into the history folder, whose files the next run would bring in a second time: refused.
  const QStringList history = QDir(store.Folder()).entryList(QDir::Files);
  const CliResult intoHistory = RunCli({"register", "export", store.Folder() + "/."});
  QVERIFY2(intoHistory.status == 2, qPrintable(intoHistory.Describe()));
  QCOMPARE(QDir(store.Folder()).entryList(QDir::Files), history);
}

// A register that is no database: the read is made, its entry is a file of the history folder,
// and history lists the folder saying why.
void TstCliRegister::damagedRegister() {
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetState(FullState());
  const QString path = RegisterFile::DefaultPath();
  QVERIFY(QDir().mkpath(QFileInfo(path).path()));
  rig.File("garbage", QByteArray(4096, 'x'));
  QVERIFY(QFile::copy(rig.File("garbage"), path));

  const CliResult read = rig.Run({"read"});
  QVERIFY2(read.status == 0, qPrintable(read.Describe()));
  QVERIFY2(read.err.contains(QStringLiteral("uszkodzony")) && read.err.contains(HistoryStore().Folder()), qPrintable(read.err));
  QString error;
  QCOMPARE(HistoryStore().List(&error).size(), 1);

  const CliResult listed = RunCli({"history"});
  QVERIFY2(listed.status == 0 && listed.out.contains(QStringLiteral("  Odczyt ")), qPrintable(listed.Describe()));
  QVERIFY2(listed.err.contains(QStringLiteral("uszkodzony")), qPrintable(listed.err));
  QCOMPARE(RunCli({"history", "show", "1"}).status, 0);
}

// A register that the database engine calls malformed: told in Polish with the file, never
// written to by a later command, and the history listed from the folder instead.
void TstCliRegister::malformedRegister() {
  QTemporaryDir folder;
  QFile table(folder.filePath("s.csv"));
  QVERIFY(table.open(QIODevice::WriteOnly));
  table.write("site,name,notes\n");
  for (int i = 0; i < 80; ++i) table.write("S" + QByteArray::number(i) + ",Hala," + QByteArray(300, 'n') + '\n');
  table.close();
  const CliResult imported = RunCli({"sites", "import", table.fileName()});
  QVERIFY2(imported.status == 0, qPrintable(imported.Describe()));

  // The first leaf of the installations: every search reads it, adding one does not.
  const QString path = RegisterFile::DefaultPath();
  qint64 page = 0, pageSize = 0;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("pages"));
    db.setDatabaseName(path);
    QVERIFY(db.open());
    QSqlQuery query(db);
    QVERIFY(query.exec("SELECT min(pageno) FROM dbstat WHERE name = 'installations' AND pagetype = 'leaf'") && query.next());
    page = query.value(0).toLongLong();
    QVERIFY(query.exec("PRAGMA page_size") && query.next());
    pageSize = query.value(0).toLongLong();
    query = QSqlQuery();
    db.close();
  }
  QSqlDatabase::removeDatabase(QStringLiteral("pages"));
  QVERIFY(page > 1);
  QFile file(path);
  QVERIFY(file.open(QIODevice::ReadWrite) && file.seek((page - 1) * pageSize));
  QCOMPARE(file.write(QByteArray(pageSize, 'x')), pageSize);
  file.close();

  const CliResult listed = RunCli({"sites"});
  QVERIFY2(listed.status == 1 && listed.err.contains(path) && listed.err.contains(QStringLiteral("uszkodzony")),
           qPrintable(listed.Describe()));
  for (const char* english : {"register fault", "malformed", "database"})
    QVERIFY2(!listed.err.contains(QLatin1String(english)), qPrintable(listed.err));
  QFile damaged(path);
  QVERIFY(damaged.open(QIODevice::ReadOnly));
  const QByteArray before = damaged.readAll();
  damaged.close();
  for (const QStringList& change : {QStringList{"site", "add", "N1", "--name", "Nowa"},
                                    QStringList{"site", "edit", "S79", "--name", "Inna"}}) {
    const CliResult refused = RunCli(change);
    QVERIFY2(refused.status == 1 && refused.err.contains(path), qPrintable(refused.Describe()));
    QVERIFY(damaged.open(QIODevice::ReadOnly));
    QVERIFY2(damaged.readAll() == before, qPrintable(change.join(u' ')));
    damaged.close();
    QVERIFY(!QFileInfo::exists(path + QStringLiteral("-wal")) || QFileInfo(path + QStringLiteral("-wal")).size() == 0);
  }
  const CliResult history = RunCli({"history"});
  QVERIFY2(history.status == 0 && history.err.contains(QStringLiteral("uszkodzony")), qPrintable(history.Describe()));
}

void TstCliRegister::registerUse_data() {
  QTest::addColumn<QString>("choice");
  QTest::addColumn<int>("status");
  QTest::addColumn<QString>("state");  // what register says afterwards
  QTest::newRow("with a password") << "postgresql://x:secret@h/db" << 2 << "Rejestr tego komputera";
  QTest::newRow("not a URL") << "mysql://x@h/db" << 2 << "Rejestr tego komputera";
  QTest::newRow("a server") << Unreachable << 0 << Unreachable;
  QTest::newRow("local") << "local" << 0 << "Rejestr tego komputera";
  QTest::newRow("a choice that cannot be kept") << "" << 1 << "Rejestr tego komputera";
}

void TstCliRegister::registerUse() {
  QFETCH(QString, choice);
  QFETCH(int, status);
  QFETCH(QString, state);
  QProcessEnvironment environment = CliEnvironment();
  if (choice.isEmpty()) {
    // The settings' folder would be under a file: the choice cannot be kept.
    QFile file(configHome_->filePath("file"));
    QVERIFY(file.open(QIODevice::WriteOnly));
    environment.insert("XDG_CONFIG_HOME", file.fileName());
    choice = Unreachable;
  }
  const CliResult used = RunCli({"register", "use", choice}, 20000, environment);
  QVERIFY2(used.status == status, qPrintable(used.Describe()));
  const CliResult shown = RunCli({"register"});
  QVERIFY2(shown.status == 0 && shown.out.contains(state), qPrintable(shown.Describe()));
}

// A shared register that does not answer: the read is made and kept here, one line tells why
// nothing was sent, and register counts what waits.
void TstCliRegister::unreachableShared() {
  qputenv("VELT_REGISTER", Unreachable.toUtf8());
  const auto unset = qScopeGuard([] { qunsetenv("VELT_REGISTER"); });
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetState(FullState());
  const CliResult read = rig.Run({"-q", "read"});
  QVERIFY2(read.status == 0 && read.out.contains("phone1="), qPrintable(read.Describe()));
  QVERIFY2(read.err.count(u'\n') == 1 && read.err.contains("127.0.0.1"), qPrintable(read.err));
  const CliResult state = RunCli({"--json", "register"});
  QVERIFY2(state.status == 0, qPrintable(state.Describe()));
  QCOMPARE(state.Json().value("entries").toInt(), 1);
  QCOMPARE(state.Json().value("pending").toInt(), 1);
  const CliResult listed = RunCli({"sites"});
  QVERIFY2(listed.status == 0 && listed.err.contains("rejestr wspólny nieosiągalny od "), qPrintable(listed.Describe()));
  const CliResult history = RunCli({"history"});
  QVERIFY2(history.status == 0 && history.err.contains("rejestr wspólny nieosiągalny od "), qPrintable(history.Describe()));
}

// A history entry given to a site afterwards, as the window's "Przypisz" does.
void TstCliRegister::assignEntry() {
  CliRig rig;
  START_RIG(rig);
  rig.sim.SetState(FullState());
  QCOMPARE(rig.Run({"read"}).status, 0);
  QCOMPARE(RunCli({"site", "add", "0412", "--name", "Dom"}).status, 0);
  const CliResult assigned = RunCli({"site", "assign", "0412", "@1"});
  QVERIFY2(assigned.status == 0, qPrintable(assigned.Describe()));
  const CliResult shown = RunCli({"site", "show", "0412"});
  Contains(shown.out, {"Konfiguracje: 1", "  Odczyt "});
  for (const auto& [arguments, status] : {std::pair{QStringList{"site", "assign", "0412", "1"}, 2},
                                          std::pair{QStringList{"site", "assign", "0412"}, 2},
                                          std::pair{QStringList{"site", "assign", "0412", "@9"}, 1},
                                          std::pair{QStringList{"site", "assign", "0999", "@1"}, 1},
                                          std::pair{QStringList{"site", "show", "0412", "@1"}, 2},
                                          std::pair{QStringList{"register", "--full"}, 2}}) {
    const CliResult refused = RunCli(arguments);
    QVERIFY2(refused.status == status && !refused.err.isEmpty(), qPrintable(refused.Describe()));
  }
}
