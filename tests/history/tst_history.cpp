// The configuration history: entry names that carry the listing, the folder's listing and
// bound, and what a connection's transfers leave there.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QScopeGuard>
#include <QTest>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "connection_history.h"
#include "data_home.h"
#include "file_check.h"
#include "history_store.h"

namespace {

QDateTime At(const char* text, int offsetMinutes = 60) {
  const QDateTime local = QDateTime::fromString(QLatin1String(text), Qt::ISODateWithMs);
  return QDateTime(local.date(), local.time(), Qt::OffsetFromUTC, offsetMinutes * 60);
}

EntryLabel Label(const char* time, EntryKind kind = EntryKind::Read, QByteArray phone1 = "+48600100200") {
  return {At(time), kind, "/dev/ttyUSB0", QStringLiteral("VELT v 1.8"), phone1, "+48501200777"};
}

bool Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray Entry() { return EncodeConfigFile(ConfigFile{"7315", ConfigRecord::Default()}); }

// Sets when a file or folder was kept, as the clock said then.
bool KeptAt(const QString& path, const QDateTime& time) {
  const qint64 ms = time.toMSecsSinceEpoch();
  const timespec times[2] = {{0, UTIME_OMIT}, {time_t(ms / 1000), long(ms % 1000) * 1'000'000}};
  return ::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
}

// The entries listed; a folder that cannot be listed is told and lists nothing.
QList<ListedEntry> Entries(const HistoryStore& store) {
  QString error;
  const QList<ListedEntry> entries = store.List(&error);
  if (!error.isEmpty()) qWarning("%s", qPrintable(error));
  return entries;
}

// "R 10:00:00 ok" for each entry listed, newest first.
QStringList Listing(const HistoryStore& store) {
  QStringList lines;
  for (const ListedEntry& e : Entries(store))
    lines << QStringLiteral("%1 %2 %3")
                 .arg(QChar(char16_t(e.name.label.kind)))
                 .arg(e.name.label.time.toString(QStringLiteral("HH:mm:ss.zzz")), e.readable ? "ok" : "unreadable");
  return lines;
}

ConfigRecord WithPhone(const QByteArray& phone) {
  ConfigRecord record = ConfigRecord::Default();
  record.setValue(ItemIndex::Phone1, phone);
  return record;
}

}  // namespace

class TestHistory : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void names_data();
  void names();
  void foreignNames_data();
  void foreignNames();
  void listing();
  void bound_data();
  void bound();
  void clockSetBack_data();
  void clockSetBack();
  void folders_data();
  void folders();
  void connection_data();
  void connection();

 private:
  std::unique_ptr<DataHome> home_;
};

void TestHistory::init() {
  home_ = std::make_unique<DataHome>();
}

void TestHistory::names_data() {
  QTest::addColumn<EntryLabel>("label");
  QTest::addColumn<int>("copy");
  QTest::addColumn<QString>("name");  // empty: not compared, only read back
  QTest::addColumn<int>("cut");
  EntryLabel plain = Label("2025-03-14T10:15:30.123");
  QTest::newRow("plain") << plain << 1
                         << "velt_20250314-101530.123+0100_R_%2Fdev%2FttyUSB0_VELT%20v%201.8_+48600100200_+48501200777.gcf"
                         << 0;
  QTest::newRow("second copy of a millisecond") << plain << 2 << QString() << 0;
  EntryLabel odd{At("2024-12-31T23:59:59.999", -210), EntryKind::BeforeFirmware,
                 "/dev/serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0", QString(), "Za\xBF\xF3\xB3\xE6_%~", ""};
  QTest::newRow("escapes, an empty field, a negative offset") << odd << 1 << QString() << 0;
  EntryLabel written = plain;
  written.kind = EntryKind::Written;
  written.time = At("2025-03-14T10:15:30.123", 0);
  QTest::newRow("written, UTC") << written << 9999 << QString() << 0;
  EntryLabel long_ = plain;
  long_.port = "/tmp/" + QByteArray(300, '\xFF');
  long_.phone1 = QByteArray(100, '7');
  long_.smsCentre = QByteArray(100, '/');
  long_.firmware = QString(100, u'ą');
  QTest::newRow("every field too long for a name") << long_ << 9999 << QString() << 15;
  EntryLabel longPhone = plain;
  longPhone.phone1 = QByteArray(41, '7');
  QTest::newRow("a telephone too long for a name") << longPhone << 1 << QString() << int(EntryName::CutPhone1);
  longPhone.phone1.chop(1);
  QTest::newRow("a telephone at the longest") << longPhone << 1 << QString() << 0;
}

void TestHistory::names() {
  QFETCH(EntryLabel, label);
  QFETCH(int, copy);
  QFETCH(QString, name);
  QFETCH(int, cut);
  const QString made = EntryFileName(label, copy);
  if (!name.isEmpty()) QCOMPARE(made, name);
  QVERIFY2(QFile::encodeName(made).size() <= 255, qPrintable(made));
  const std::optional<EntryName> parsed = ParseEntryFileName(made);
  QVERIFY2(parsed, qPrintable(made));
  QCOMPARE(parsed->copy, copy);
  QCOMPARE(parsed->cut, cut);
  QCOMPARE(parsed->msSinceEpoch, label.time.toMSecsSinceEpoch());
  QCOMPARE(parsed->label.time.offsetFromUtc(), label.time.offsetFromUtc());
  if (!cut) QCOMPARE(parsed->label, label);
  else QVERIFY(label.port.startsWith(parsed->label.port) && label.phone1.startsWith(parsed->label.phone1) &&
               label.firmware.startsWith(parsed->label.firmware));
  QCOMPARE(EntryFileName(*parsed), made);
}

void TestHistory::foreignNames_data() {
  QTest::addColumn<QString>("name");
  const QString good = QStringLiteral("velt_20250314-101530.123+0100_R_%2Fdev%2Fpts1_VELT%20v%201.8_+48600_+48501");
  QTest::newRow("another suffix") << good + ".txt";
  QTest::newRow("kind unknown") << QString(good + ".gcf").replace("_R_", "_X_");
  QTest::newRow("no such day") << QString(good + ".gcf").replace("20250314", "20250230");
  QTest::newRow("offset past 14 h") << QString(good + ".gcf").replace("+0100", "+1500");
  QTest::newRow("escape cut off") << QString(good + ".gcf").replace("%201.8", "%2");
  QTest::newRow("escape in small letters") << QString(good + ".gcf").replace("%2F", "%2f");
  QTest::newRow("letter escaped") << QString(good + ".gcf").replace("VELT", "%56ELT");
  QTest::newRow("character not escaped") << QString(good + ".gcf").replace("VELT%20v", "VELT v");
  QTest::newRow("copy 1 written out") << good + "_1.gcf";
  QTest::newRow("copy with a leading zero") << good + "_02.gcf";
  QTest::newRow("a field missing") << QString(good + ".gcf").replace("_+48600", "");
  QTest::newRow("another prefix") << QString(good + ".gcf").replace("velt_", "vel_");
  QTest::newRow("year of letters") << QString(good + ".gcf").replace("2025", "abcd");
  QTest::newRow("UTC written west") << QString(good + ".gcf").replace("+0100", "-0000");
  QTest::newRow("offset past 14 h by minutes") << QString(good + ".gcf").replace("+0100", "+1430");
  QTest::newRow("port longer than written") << QString(good + ".gcf").replace("%2Fdev%2Fpts1", QString(101, u'p'));
  QTest::newRow("firmware longer than written") << QString(good + ".gcf").replace("VELT%20v%201.8", QString(25, u'v'));
  QTest::newRow("telephone longer than written") << QString(good + ".gcf").replace("+48600", QString(41, u'6'));
  QTest::newRow("cut long before the limit") << QString(good + ".gcf").replace("+48600", "+48600~");
  QTest::newRow("firmware cut inside a character") << QString(good + ".gcf").replace("VELT%20v%201.8", "%C4%85%C4%85%C4%85%C4%85%C4~");
  QTest::newRow("firmware not UTF-8") << QString(good + ".gcf").replace("VELT%20v", "VELT%FF");
}

void TestHistory::foreignNames() {
  QFETCH(QString, name);
  QVERIFY(!ParseEntryFileName(name));
}

// Kept at once: newest first by their names across offsets; damaged entries listed as
// unreadable; foreign files left out.
void TestHistory::listing() {
  QTemporaryDir folder;
  const HistoryStore store(folder.path());
  QVERIFY(Write(store.PathOf(EntryFileName(Label("2025-03-14T10:00:00.000"))), Entry()));
  // An hour later in UTC, though its wall clock says earlier.
  EntryLabel west = Label("2025-03-14T09:30:00.000", EntryKind::Written);
  west.time = At("2025-03-14T09:30:00.000", -60);
  QVERIFY(Write(store.PathOf(EntryFileName(west)), Entry()));
  QVERIFY(Write(store.PathOf(EntryFileName(Label("2025-03-14T10:00:00.000"), 2)), Entry()));
  QVERIFY(Write(store.PathOf(EntryFileName(Label("2025-03-14T08:00:00.000", EntryKind::BeforeFirmware))), "gcf\x01"));
  QVERIFY(QDir(folder.path()).mkdir(EntryFileName(Label("2025-03-14T07:00:00.000"))));
  QVERIFY(Write(store.PathOf(EntryFileName(Label("2025-03-14T06:00:00.000"))), QByteArray(8193, 'g')));
  // Of a size a configuration can have: one with a byte changed, one whose checksum holds but
  // whose texts run past its end.
  QByteArray changed = Entry();
  changed[10] = changed[10] ^ 1;
  QVERIFY(Write(store.PathOf(EntryFileName(Label("2025-03-14T05:00:00.000"))), changed));
  QByteArray overrun = "gcf" + QByteArray(changed.size() - 4, '\x7F');
  overrun += char(XorChecksum(overrun));
  QVERIFY(Write(store.PathOf(EntryFileName(Label("2025-03-14T04:00:00.000"))), overrun));
  QVERIFY(Write(folder.filePath("notes.txt"), "notes"));
  QVERIFY(Write(folder.filePath("backup.gcf"), Entry()));
  QVERIFY(Write(folder.filePath("velt_backup.gcf"), Entry()));
  for (const QString& name : QDir(folder.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot))
    QVERIFY(KeptAt(folder.filePath(name), At("2025-03-14T11:00:00.000")));

  QCOMPARE(Listing(store), QStringList({"W 09:30:00.000 ok", "R 10:00:00.000 ok", "R 10:00:00.000 ok",
                                        "F 08:00:00.000 unreadable", "R 07:00:00.000 unreadable",
                                        "R 06:00:00.000 unreadable", "R 05:00:00.000 unreadable",
                                        "R 04:00:00.000 unreadable"}));
  QCOMPARE(Entries(store)[1].name.copy, 2);
  // Never made: an empty history, not a fault.
  QString error;
  QVERIFY(HistoryStore(folder.filePath("missing")).List(&error).isEmpty());
  QCOMPARE(error, QString());
}

void TestHistory::bound_data() {
  QTest::addColumn<int>("bound");
  QTest::addColumn<int>("kept");  // new entries kept after the three there
  QTest::addColumn<int>("listed");  // files of velt's name
  QTest::newRow("below the bound") << 10 << 2 << 5;
  QTest::newRow("at the bound") << 5 << 2 << 5;
  QTest::newRow("past the bound") << 3 << 2 << 3;
  QTest::newRow("bound of one") << 1 << 1 << 1;
}

void TestHistory::bound() {
  QFETCH(int, bound);
  QFETCH(int, kept);
  QFETCH(int, listed);
  QTemporaryDir folder;
  const HistoryStore store(folder.path(), bound);
  const QStringList foreign{"notes.txt", "backup.gcf", "velt_backup.gcf", ".velt-temporary",
                            "velt_abcd0314-101530.123+0100_R_port_fw_1_2.gcf"};
  for (const QString& name : foreign) QVERIFY(Write(folder.filePath(name), Entry()));
  // Older than all the others: a folder of velt's name is never removed.
  const QString folderNamed = EntryFileName(Label("2020-01-01T00:00:00.000"));
  QVERIFY(QDir(folder.path()).mkdir(folderNamed));
  for (int i = 0; i < 3; ++i)
    QVERIFY(Write(store.PathOf(EntryFileName(Label("2025-03-14T10:00:00.000", EntryKind::Read, QByteArray::number(i)))), Entry()));

  for (int i = 0; i < kept; ++i) {
    QString failure;
    QVERIFY(store.Keep(Label("2025-03-15T10:00:00.000", EntryKind::Written, "new"), ConfigFile{"7315", ConfigRecord::Default()}, &failure));
  }

  const QList<ListedEntry> entries = Entries(store);
  QCOMPARE(std::count_if(entries.begin(), entries.end(), [](const ListedEntry& e) { return e.regular; }), listed);
  for (qsizetype i = 0; i < entries.size() && i < kept; ++i) QCOMPARE(entries[i].name.label.phone1, QByteArray("new"));
  for (const QString& name : foreign) QVERIFY2(QFileInfo::exists(folder.filePath(name)), qPrintable(name));
  QVERIFY(QFileInfo(folder.filePath(folderNamed)).isDir());
}

void TestHistory::clockSetBack_data() {
  QTest::addColumn<int>("kept");        // entries kept after the clock was set back, each further back
  QTest::addColumn<QString>("listed");  // telephones, newest first
  QTest::newRow("one") << 1 << "n1 o2 o1";
  QTest::newRow("two") << 2 << "n2 n1 o2";
  QTest::newRow("as many as the bound") << 3 << "n3 n2 n1";
}

// A full history kept while the clock said 2030, then the clock set back a year at a time: each
// new entry stays, lists first, and the oldest kept goes.
void TestHistory::clockSetBack() {
  QFETCH(int, kept);
  QFETCH(QString, listed);
  QTemporaryDir folder;
  const HistoryStore store(folder.path(), 3);
  for (int i = 0; i < 3; ++i) {
    const EntryLabel label = Label(qPrintable(QStringLiteral("2030-01-0%1T10:00:00.000").arg(i + 1)), EntryKind::Read,
                                   "o" + QByteArray::number(i));
    QVERIFY(Write(store.PathOf(EntryFileName(label)), Entry()));
    QVERIFY(KeptAt(store.PathOf(EntryFileName(label)), label.time));
  }
  for (int i = 1; i <= kept; ++i) {
    QString failure;
    const EntryLabel label = Label(qPrintable(QStringLiteral("%1-03-14T10:00:00.000").arg(2026 - i)), EntryKind::Written,
                                   "n" + QByteArray::number(i));
    const std::optional<QString> name = store.Keep(label, ConfigFile{"7315", ConfigRecord::Default()}, &failure);
    QVERIFY2(name, qPrintable(failure));
    QCOMPARE(Entries(store).value(0).fileName, *name);
  }
  QStringList phones;
  for (const ListedEntry& e : Entries(store)) phones << QString::fromLatin1(e.name.label.phone1);
  QCOMPARE(phones.join(u' '), listed);
}

void TestHistory::folders_data() {
  QTest::addColumn<QString>("folder");  // what is in the history folder's place
  QTest::addColumn<bool>("usable");     // listed without an error, and an entry kept there
  QTest::addColumn<int>("mode");        // of the folder (or what it links to) afterwards; -1: not looked at
  QTest::newRow("none") << "none" << true << 0700;
  QTest::newRow("made by hand, open to others") << "open" << true << 0755;
  QTest::newRow("a file") << "file" << false << -1;
  QTest::newRow("below a file") << "below a file" << false << -1;
  QTest::newRow("a link to a shared folder") << "link" << false << 01777;
  QTest::newRow("another user's") << "other" << false << 0700;
  QTest::newRow("closed to its owner") << "closed" << false << 0;
}

// A folder velt did not make keeps its mode; one it may not use is refused, and one it cannot
// list is a fault, not an empty history.
void TestHistory::folders() {
  QFETCH(QString, folder);
  QFETCH(bool, usable);
  QFETCH(int, mode);
  QTemporaryDir base;
  QString path = base.filePath("history");
  const QByteArray name = QFile::encodeName(path);
  const bool root = ::geteuid() == 0;
  if (folder == "open") QVERIFY(::mkdir(name, 0755) == 0 && ::chmod(name, 0755) == 0);
  if (folder == "file" || folder == "below a file") QVERIFY(Write(path, ""));
  if (folder == "below a file") path += "/history";
  if (folder == "link") {
    const QByteArray shared = QFile::encodeName(base.filePath("shared"));
    QVERIFY(::mkdir(shared, 0700) == 0 && ::chmod(shared, 01777) == 0 && ::symlink(shared, name) == 0);
  }
  if (folder == "other") {
    if (!root) QSKIP("only root gives a folder to another user");
    QVERIFY(::mkdir(name, 0700) == 0 && ::chown(name, 65534, 65534) == 0);
  }
  if (folder == "closed") {
    if (root) QSKIP("root lists any folder");
    QVERIFY(::mkdir(name, 0) == 0);
  }
  const auto open = qScopeGuard([&] { if (folder == "closed") ::chmod(name, 0700); });

  const HistoryStore store(path);
  QString error, failure;
  QVERIFY(store.List(&error).isEmpty());
  QVERIFY2(error.isEmpty() == usable, qPrintable(error));
  const bool kept = bool(store.Keep(Label("2025-03-14T10:00:00.000"), ConfigFile{"7315", ConfigRecord::Default()}, &failure));
  QVERIFY2(kept == usable, qPrintable(failure));
  if (!usable) QVERIFY2(error.contains(path) && failure.contains(path), qPrintable(error + "\n" + failure));
  struct stat info {};
  if (mode >= 0) {
    QCOMPARE(::stat(name, &info), 0);
    QCOMPARE(int(info.st_mode & 07777), mode);
  }
}

void TestHistory::connection_data() {
  // D download, U upload, X forget, F firmware, ! folder unusable, 0 no HOME nor XDG_DATA_HOME, + usable again
  QTest::addColumn<QString>("steps");
  QTest::addColumn<QString>("entries");  // kind and telephone of each entry, oldest first
  QTest::addColumn<int>("warnings");
  QTest::addColumn<QString>("held");
  QTest::newRow("download") << "D1" << "R1" << 0 << "1";
  QTest::newRow("download, upload") << "D1 U2" << "R1 W2" << 0 << "2";
  QTest::newRow("upload without a download") << "U2" << "W2" << 0 << "2";
  QTest::newRow("before kept late") << "! D1 + U2" << "R1 W2" << 1 << "2";
  QTest::newRow("warned once") << "! D1 U2 U3" << "" << 1 << "3";
  QTest::newRow("warned again after a keep") << "! D1 + U2 ! U3" << "R1 W2" << 2 << "3";
  QTest::newRow("broken upload forgets") << "D1 X U2" << "R1 W2" << 0 << "2";
  QTest::newRow("firmware") << "D1 U2 F" << "R1 W2 F2" << 0 << "";
  QTest::newRow("firmware after a broken upload") << "D1 X F" << "R1" << 0 << "";
  QTest::newRow("nowhere to keep") << "0 D1 U2" << "" << 1 << "2";
}

void TestHistory::connection() {
  QFETCH(QString, steps);
  QFETCH(QString, entries);
  QFETCH(int, warnings);
  QFETCH(QString, held);
  const QString data = home_->path();
  const QString blocked = data + "/file";
  QVERIFY(Write(blocked, ""));
  const QByteArray home = qgetenv("HOME");
  const auto restoreHome = qScopeGuard([&home] { qputenv("HOME", home); });
  int warned = 0;
  ConnectionHistory history([] { return EntryFacts{"/dev/ttyUSB0", QStringLiteral("VELT v 1.8"), "4826"}; },
                            [&](const QString& message) {
                              ++warned;
                              QVERIFY2(message.contains(QStringLiteral("Nie zapisano historii konfiguracji")), qPrintable(message));
                            });
  for (const QString& step : steps.split(u' ')) {
    const ConfigRecord record = WithPhone(step.mid(1).toLatin1());
    switch (step[0].unicode()) {
      case 'D': history.Downloaded(record); break;
      case 'U': history.Uploaded(record); break;
      case 'X': history.Forget(); break;
      case 'F': history.BeforeFirmware(); break;
      // A data folder below a file is one no one can write to, root included.
      case '!': qputenv("XDG_DATA_HOME", QFile::encodeName(blocked + "/data")); break;
      case '+': qputenv("XDG_DATA_HOME", QFile::encodeName(data)); break;
      case '0':
        qunsetenv("XDG_DATA_HOME");
        qunsetenv("HOME");
        break;
    }
  }
  QCOMPARE(warned, warnings);
  QCOMPARE(history.Held() ? QString::fromLatin1(history.Held()->value(ItemIndex::Phone1)) : QString(), held);

  qputenv("XDG_DATA_HOME", QFile::encodeName(data));
  const HistoryStore store;
  QCOMPARE(store.Folder(), data + "/velt/history");
  // The folder and its files hold the SIM PIN and the password: for their owner only.
  constexpr QFile::Permissions anyone(0x7077);
  if (!entries.isEmpty()) {
    QCOMPARE(QFileInfo(store.Folder()).permissions() & anyone, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(QFileInfo(store.PathOf(Entries(store)[0].fileName)).permissions() & anyone, QFile::ReadOwner | QFile::WriteOwner);
  }
  QStringList found;
  QList<ListedEntry> listed = Entries(store);
  std::reverse(listed.begin(), listed.end());
  for (const ListedEntry& e : listed) {
    const FileCheck::Result file = FileCheck::ReadAndCheck(store.PathOf(e.fileName), "gcf");
    QVERIFY(file.good());
    const std::optional<ConfigFile> config = DecodeConfigFile(file.bytes);
    QCOMPARE(config->password, QByteArray("4826"));
    QCOMPARE(config->record.value(ItemIndex::Phone1), e.name.label.phone1);
    QCOMPARE(e.name.label.port, QByteArray("/dev/ttyUSB0"));
    found << QChar(char16_t(e.name.label.kind)) + QString::fromLatin1(e.name.label.phone1);
  }
  QCOMPARE(found.join(u' '), entries);
}

QTEST_GUILESS_MAIN(TestHistory)
#include "tst_history.moc"
