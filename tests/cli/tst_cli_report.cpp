// velt-cli report at its edges: an existing file, a link or the source itself kept unless asked,
// SOURCE_DATE_EPOCH taken only as whole seconds and written in UTC, and the installation a report
// names, from --site or from the history entry.
#include <QDir>
#include <QFileInfo>
#include <QtTest>
#include <unistd.h>

#include "cli_rig.h"
#include "config_record.h"
#include "tst_cli.h"

namespace {

QString Pdfinfo(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("pdfinfo"), {QStringLiteral("-isodates"), path});
  return process.waitForFinished(30000) ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
}

QString PdfText(const QString& path) {
  QProcess process;
  process.start(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
  return process.waitForFinished(30000) ? QString::fromUtf8(process.readAllStandardOutput()).simplified() : QString();
}

QByteArray Bytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

const QByteArray Kept = "kept as it was";

}  // namespace

void TstCliReport::init() { dataHome_ = std::make_unique<DataHome>(); }

// out.pdf is a file that holds Kept; link.pdf a link to it; own.gcf a hard link to the source.
void TstCliReport::output_data() {
  QTest::addColumn<QStringList>("arguments");  // after "report a.gcf -o"
  QTest::addColumn<int>("status");
  QTest::addColumn<bool>("pdfWritten");  // at the name given, as a file of its own
  QTest::addColumn<QString>("message");
  QTest::newRow("existing file") << QStringList{"out.pdf"} << 1 << false << "--force";
  QTest::newRow("existing file, --force") << QStringList{"out.pdf", "--force"} << 0 << true << "";
  QTest::newRow("link") << QStringList{"link.pdf"} << 1 << false << "dowiązanie";
  QTest::newRow("link, --force: the link replaced") << QStringList{"link.pdf", "--force"} << 0 << true << "";
  QTest::newRow("the source itself, --force") << QStringList{"a.gcf", "--force"} << 1 << false << "źródłowy";
  QTest::newRow("the source by a hard link, --force") << QStringList{"own.gcf", "--force"} << 1 << false << "źródłowy";
  QTest::newRow("new file") << QStringList{"new.pdf"} << 0 << true << "";
}

void TstCliReport::output() {
  QFETCH(QStringList, arguments);
  QFETCH(int, status);
  QFETCH(bool, pdfWritten);
  QFETCH(QString, message);
  QTemporaryDir folder;
  const auto path = [&](const char* name) { return folder.filePath(QString::fromLatin1(name)); };
  const QByteArray source = ConfigFileBytes("7315", ConfigRecord::Default().values);
  QFile gcf(path("a.gcf"));
  QVERIFY(gcf.open(QIODevice::WriteOnly) && gcf.write(source) == source.size());
  gcf.close();
  QFile out(path("out.pdf"));
  QVERIFY(out.open(QIODevice::WriteOnly) && out.write(Kept) == Kept.size());
  out.close();
  QVERIFY(QFile::link(path("out.pdf"), path("link.pdf")));
  QVERIFY(::link(QFile::encodeName(path("a.gcf")).constData(), QFile::encodeName(path("own.gcf")).constData()) == 0);

  const QString target = folder.filePath(arguments.front());
  const CliResult result = RunCli(QStringList{"report", path("a.gcf"), "-o", target} + arguments.mid(1), 30000);
  QVERIFY2(result.status == status, qPrintable(result.Describe()));
  QVERIFY2(result.err.contains(message), qPrintable(result.Describe()));
  // Nothing but the name given changes: the link's target and the source stay.
  QCOMPARE(Bytes(path("out.pdf")).startsWith("%PDF"), pdfWritten && arguments.front() == u"out.pdf");
  if (arguments.front() != u"out.pdf") QCOMPARE(Bytes(path("out.pdf")), Kept);
  QCOMPARE(Bytes(path("a.gcf")), source);
  QCOMPARE(Bytes(target).startsWith("%PDF"), pdfWritten);
  if (arguments.front() == u"link.pdf") QCOMPARE(QFileInfo(target).isSymLink(), !pdfWritten);
  QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral(".velt-")), QStringList());
}

void TstCliReport::sourceDateEpoch_data() {
  QTest::addColumn<QString>("epoch");
  QTest::addColumn<QString>("created");  // as pdfinfo shows it in UTC; empty: refused
  QTest::newRow("zero") << "0" << "1970-01-01T00:00:00";
  QTest::newRow("the last second of 9999") << "253402300799" << "9999-12-31T23:59:59";
  QTest::newRow("past 9999") << "253402300800" << "";
  QTest::newRow("negative") << "-1" << "";
  QTest::newRow("letters") << "abc" << "";
  QTest::newRow("exponent") << "1e9" << "";
  QTest::newRow("fraction") << "1709971200.5" << "";
  QTest::newRow("blank") << " 1709971200" << "";
  QTest::newRow("empty") << "" << "";
}

void TstCliReport::sourceDateEpoch() {
  QFETCH(QString, epoch);
  QFETCH(QString, created);
  QTemporaryDir folder;
  const QString source = folder.filePath("a.gcf"), pdf = folder.filePath("r.pdf");
  QFile gcf(source);
  const QByteArray bytes = ConfigFileBytes("7315", ConfigRecord::Default().values);
  QVERIFY(gcf.open(QIODevice::WriteOnly) && gcf.write(bytes) == bytes.size());
  gcf.close();
  QList<QByteArray> reports;
  // The same epoch in two zones far apart gives the same file.
  for (const char* zone : {"UTC", "Pacific/Kiritimati"}) {
    QProcessEnvironment environment = CliEnvironment();
    environment.insert("SOURCE_DATE_EPOCH", epoch);
    environment.insert("TZ", zone);
    QFile::remove(pdf);
    const CliResult result = RunCli({"report", source, "-o", pdf}, 30000, environment);
    if (created.isEmpty()) {
      QVERIFY2(result.status == 2 && result.err.contains("SOURCE_DATE_EPOCH"), qPrintable(result.Describe()));
      QVERIFY(!QFile::exists(pdf));
      return;
    }
    QVERIFY2(result.status == 0, qPrintable(result.Describe()));
    reports << Bytes(pdf);
  }
  QCOMPARE(reports[0], reports[1]);
  const QString info = Pdfinfo(pdf);
  QVERIFY2(info.contains(QRegularExpression(QStringLiteral("CreationDate:\\s+") + created + QStringLiteral("(Z|\\+00)"))), qPrintable(info));
}

// Two sites, A with two entries, B with one kept last: @N counts the site's entries with --site,
// and without it the entry's own installation is named.
void TstCliReport::installationOfTheEntry_data() {
  QTest::addColumn<QStringList>("arguments");
  QTest::addColumn<int>("status");
  QTest::addColumn<QStringList>("present");
  QTest::addColumn<QStringList>("absent");
  const QStringList a{"A-1 — Sklep", "ul. Polna 1", "Ewa Nowak 600 100 200"};
  const QStringList b{"B-2 — Hala", "ul. Długa 2", "Jan Kos 600 300 400"};
  QTest::newRow("latest, no --site: its installation") << QStringList{"@1"} << 0 << b << a;
  QTest::newRow("second, no --site") << QStringList{"@2"} << 0 << a << b;
  QTest::newRow("first of A") << QStringList{"@1", "--site", "A-1"} << 0 << a << b;
  QTest::newRow("second of A") << QStringList{"@2", "--site", "A-1"} << 0 << a << b;
  QTest::newRow("past B's entries") << QStringList{"@2", "--site", "B-2"} << 1 << QStringList() << QStringList();
}

void TstCliReport::installationOfTheEntry() {
  QFETCH(QStringList, arguments);
  QFETCH(int, status);
  QFETCH(QStringList, present);
  QFETCH(QStringList, absent);
  CliRig rig;
  START_RIG(rig);
  QCOMPARE(RunCli({"site", "add", "A-1", "--name", "Sklep", "--address", "ul. Polna 1", "--contact", "Ewa Nowak 600 100 200"}).status, 0);
  QCOMPARE(RunCli({"site", "add", "B-2", "--name", "Hala", "--address", "ul. Długa 2", "--contact", "Jan Kos 600 300 400"}).status, 0);
  for (const char* site : {"A-1", "A-1", "B-2"}) QCOMPARE(rig.Run({"read", "--site", site}).status, 0);
  const QString pdf = rig.File("r.pdf");
  const CliResult result = RunCli(QStringList{"report"} + arguments.mid(0, 1) + QStringList{"-o", pdf} + arguments.mid(1), 30000);
  QVERIFY2(result.status == status, qPrintable(result.Describe()));
  if (status != 0) {
    QVERIFY(!QFile::exists(pdf));
    return;
  }
  const QString text = PdfText(pdf);
  for (const QString& shown : present) QVERIFY2(text.contains(shown), qPrintable(shown + " missing from " + text));
  for (const QString& other : absent) QVERIFY2(!text.contains(other), qPrintable(other + " shown in " + text));
}

// history show and diff count @N among the site's entries too.
void TstCliReport::siteEntriesElsewhere() {
  CliRig rig;
  START_RIG(rig);
  QCOMPARE(RunCli({"site", "add", "B-2", "--name", "Hala"}).status, 0);
  QCOMPARE(rig.Run({"read", "--site", "B-2"}).status, 0);
  QCOMPARE(rig.Run({"read"}).status, 0);
  const CliResult shown = RunCli({"history", "show", "1", "--site", "B-2"});
  QVERIFY2(shown.status == 0, qPrintable(shown.Describe()));
  const CliResult all = RunCli({"history", "show", "1"});
  QVERIFY(shown.out.section(u'\n', 0, 5) != all.out.section(u'\n', 0, 5));  // another entry, another uuid
  QCOMPARE(RunCli({"history", "show", "2", "--site", "B-2"}).status, 1);
  QCOMPARE(RunCli({"diff", "@1", "@2", "--site", "B-2"}).status, 1);
  const CliResult diff = RunCli({"diff", "@1", "@1", "--site", "B-2"});
  QVERIFY2(diff.status == 0, qPrintable(diff.Describe()));
}

void TstCliReport::company_data() {
  QTest::addColumn<QList<QStringList>>("commands");  // the last one's result is checked
  QTest::addColumn<int>("status");
  QTest::addColumn<QStringList>("present");
  const QStringList name{"company", "set", "--name", "Zakład Łęgi", "--address", "ul. Polna 1"};
  QTest::newRow("set, then another field") << QList<QStringList>{name, {"company", "set", "--tax-id", "676-1"}, {"company"}} << 0
                                           << QStringList{"name=Zakład Łęgi", "address=ul. Polna 1", "tax_id=676-1"};
  QTest::newRow("the newer value of a field") << QList<QStringList>{name, {"company", "set", "--name", "Nowa"}, {"company"}} << 0
                                              << QStringList{"name=Nowa", "address=ul. Polna 1"};
  QTest::newRow("logo") << QList<QStringList>{{"company", "set", "--logo", "@/logo.png"}} << 0 << QStringList{"logo=70 B"};
  QTest::newRow("logo of another kind") << QList<QStringList>{{"company", "set", "--logo", "@/a.gcf"}} << 2 << QStringList{"PNG"};
  QTest::newRow("set without a field") << QList<QStringList>{{"company", "set"}} << 2 << QStringList{"--name"};
  QTest::newRow("a field without set") << QList<QStringList>{{"company", "--name", "x"}} << 2 << QStringList{"company set"};
  QTest::newRow("nothing kept") << QList<QStringList>{{"company"}} << 0 << QStringList{"name=\n"};
}

void TstCliReport::company() {
  QFETCH(QList<QStringList>, commands);
  QFETCH(int, status);
  QFETCH(QStringList, present);
  QTemporaryDir folder;
  // One transparent pixel.
  const QByteArray png = QByteArray::fromBase64("iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg==");
  QFile logo(folder.filePath("logo.png"));
  QVERIFY(logo.open(QIODevice::WriteOnly) && logo.write(png) == png.size());
  logo.close();
  QFile gcf(folder.filePath("a.gcf"));
  QVERIFY(gcf.open(QIODevice::WriteOnly) && gcf.write(ConfigFileBytes("7315", ConfigRecord::Default().values)) > 0);
  gcf.close();
  CliResult result;
  for (QStringList command : commands) result = RunCli(command.replaceInStrings(QStringLiteral("@/"), folder.path() + u'/'));
  QVERIFY2(result.status == status, qPrintable(result.Describe()));
  for (const QString& text : present) QVERIFY2((result.out + result.err).contains(text), qPrintable(text + u' ' + result.Describe()));
}

// What company set keeps heads the report of every source.
void TstCliReport::letterheadFromTheRegister() {
  QTemporaryDir folder;
  QFile gcf(folder.filePath("a.gcf"));
  QVERIFY(gcf.open(QIODevice::WriteOnly) && gcf.write(ConfigFileBytes("7315", ConfigRecord::Default().values)) > 0);
  gcf.close();
  QCOMPARE(RunCli({"company", "set", "--name", "Zakład Łęgi", "--address", "ul. Polna 1", "--phone", "+48 12 300 40 50"}).status, 0);
  const QString pdf = folder.filePath("r.pdf");
  const CliResult result = RunCli({"report", folder.filePath("a.gcf"), "-o", pdf}, 30000);
  QVERIFY2(result.status == 0, qPrintable(result.Describe()));
  const QString text = PdfText(pdf);
  for (const char* shown : {"Zakład Łęgi", "ul. Polna 1", "+48 12 300 40 50"})
    QVERIFY2(text.contains(QString::fromUtf8(shown)), qPrintable(QString::fromUtf8(shown) + " missing from " + text));
}
