// The configuration history in the window: what the transfers keep, and a folder that cannot be
// written.
#include <QAbstractButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <map>

#include "file_check.h"
#include "history_store.h"
#include "maint_rig.h"
#include "record_compare.h"
#include "tfboot.h"
#include "tst_app_maint.h"

namespace {

ControllerState Held() {
  ControllerState state = ControllerState::New();
  state.items[ItemIndex::Phone1] = "+48600100200";
  state.items[ItemIndex::LimitSms] = "\x05";
  return state;
}

// Clicks a transfer button once it can be clicked; the transfer runs within the click.
bool Transfer(WindowRig& rig, QAbstractButton* button) {
  if (!QTest::qWaitFor([&] { return button->isEnabled() && rig.window->link.IsIdle(); }, 3000)) return false;
  rig.Click(button);
  return true;
}

bool Firmware(WindowRig& rig, const QString& folder) {
  const QString path = folder + "/image.gfr";
  if (!WriteWhole(path, FirmwareFile(FirmwareImageBytes(65)))) return false;
  rig.window->ChooseOpenFile = [path](const QString&) { return path; };
  return RunDialog<TFboot>(
      rig, rig.ui().ButtonFirmware,
      [](TFboot* dialog) {
        QTest::mouseClick(dialog->findChild<QAbstractButton*>("Button1"), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<QAbstractButton*>("ButtonStart"), Qt::LeftButton);
      },
      60000);
}

// Each entry, oldest first: its kind, " differs" when its file is not the state of its kind
// (or was not kept with the window's port, firmware and password).
QStringList Entries(const QByteArray& port, const std::map<QChar, ControllerState>& states) {
  const HistoryStore store;
  QList<ListedEntry> entries = store.List();
  std::reverse(entries.begin(), entries.end());
  QStringList found;
  for (const ListedEntry& entry : entries) {
    const QChar kind(char16_t(entry.name.label.kind));
    const FileCheck::Result read = FileCheck::ReadAndCheck(store.PathOf(entry.fileName), "gcf");
    const std::optional<ConfigFile> file = read.good() ? DecodeConfigFile(read.bytes) : std::nullopt;
    ConfigRecord expected;
    expected.values = states.at(kind).items;
    const bool same = file && file->password == "7315" && CompareRecords(file->record, expected).isEmpty() &&
                      entry.name.label.port == port && entry.name.label.firmware == QStringLiteral("VELT v 1.8");
    found << QString(kind) + (same ? "" : " differs");
  }
  return found;
}

}  // namespace

void TestConfigHistory::init() {
  dataHome_ = std::make_unique<QTemporaryDir>();
  qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_->path()));
}

void TestConfigHistory::keptEntries_data() {
  QTest::addColumn<QString>("steps");  // D download, U upload, F firmware
  QTest::addColumn<QStringList>("entries");
  QTest::newRow("download") << "D" << QStringList{"R"};
  QTest::newRow("upload") << "U" << QStringList{"W"};
  QTest::newRow("download, upload") << "D U" << QStringList{"R", "W"};
  QTest::newRow("download, firmware") << "D F" << QStringList{"R", "F"};
}

void TestConfigHistory::keptEntries() {
  QFETCH(QString, steps);
  QFETCH(QStringList, entries);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  rig.sim.SetState(Held());
  for (const QString& step : steps.split(u' ')) {
    if (step == "D") QVERIFY(Transfer(rig, rig.ui().Icon_get));
    if (step == "U") {
      SetControls(*rig.window, {"Edit_Tel1=+48111"});
      QVERIFY(Transfer(rig, rig.ui().Icon_put));
    }
    if (step == "F") QVERIFY(Firmware(rig, dataHome_->path()));
  }
  // What was written is what the controller holds now; before the firmware it held what was read.
  const ControllerState written = rig.sim.State();
  QCOMPARE(written.items[ItemIndex::Phone1], steps.contains("U") ? QByteArray("+48111") : QByteArray("+48600100200"));
  QCOMPARE(Entries(rig.portPath.toLocal8Bit(), {{u'R', Held()}, {u'W', written}, {u'F', Held()}}), entries);
  QCOMPARE(rig.window->statusBar()->currentMessage(), QString());
}

// Three entries fail (download, upload, and the upload's "before" tried again): one warning in
// the status bar, no box, and the upload done.
void TestConfigHistory::unwritableFolder() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QVERIFY(WriteWhole(dataHome_->filePath("plain"), ""));
  qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_->filePath("plain/data")));
  QSignalSpy messages(rig.window->statusBar(), &QStatusBar::messageChanged);
  QVERIFY(Transfer(rig, rig.ui().Icon_get));
  SetControls(*rig.window, {"Edit_Tel1=+48111"});
  QVERIFY(Transfer(rig, rig.ui().Icon_put));

  QCOMPARE(rig.sim.State().items[ItemIndex::Phone1], QByteArray("+48111"));
  QCOMPARE(messages.size(), 1);
  QVERIFY2(rig.window->statusBar()->currentMessage().startsWith(QStringLiteral("Nie zapisano historii konfiguracji (")),
           qPrintable(rig.window->statusBar()->currentMessage()));
  QCOMPARE(rig.boxes.Summaries(), QStringList());
  if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(rig.window.get(), "historia-ostrzezenie.png");
}
