// Configurations read into a folder, a file for each controller.
#include <QDir>
#include <QtTest>
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
};

#define START_WORKSHOP(w, faults, baud)                       \
  do {                                                        \
    QString why_;                                             \
    QVERIFY2((w).Start(faults, baud, &why_), qPrintable(why_)); \
  } while (false)

}  // namespace

void TstWorkshop::readIntoFolder_data() {
  QTest::addColumn<QStringList>("phones");
  QTest::addColumn<QStringList>("existing");  // in the folder before
  QTest::addColumn<QStringList>("files");     // written, a port each
  QTest::newRow("one port") << QStringList{"+48600100200"} << QStringList() << QStringList{"velt-0_+48600100200.gcf"};
  QTest::newRow("a name already taken") << QStringList{"+48600100200"} << QStringList{"velt-0_+48600100200.gcf"}
                                        << QStringList{"velt-0_+48600100200_2.gcf"};
  QTest::newRow("a port without a number") << QStringList{""} << QStringList() << QStringList{"velt-0.gcf"};
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
