// The configuration history in the window: what the transfers keep, a folder that cannot be
// written, the history dialog and what an upload would change.
#include <QAbstractButton>
#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <map>

#include "configurations.h"
#include "register_keeper.h"
#include "file_check.h"
#include "history_store.h"
#include "maint_rig.h"
#include "record_compare.h"
#include "tfboot.h"
#include "tfhistoria.h"
#include "tfzmiany.h"
#include "tst_app_maint.h"

namespace {

const QString Loaded = QStringLiteral("Information: Odczytano plik konfiguracji");
const QString NoDownload =
    QStringLiteral("Information: W tym połączeniu nie pobrano konfiguracji z VELT: nie wiadomo, co zmieni zapis.");
const QString NoConnection =
    QStringLiteral("Information: Brak połączenia ze sterownikiem VELT: nie wiadomo, co zmieni zapis.");

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
  RegisterStore store;
  Configurations configurations(store);
  QList<Configuration> entries = configurations.Newest({}, 100);
  QStringList found;
  std::reverse(entries.begin(), entries.end());
  for (const Configuration& entry : entries) {
    const QChar kind(char16_t(entry.label.kind));
    const std::optional<QByteArray> bytes = configurations.Bytes(entry.uuid);
    const std::optional<ConfigFile> file = bytes ? DecodeConfigFile(*bytes) : std::nullopt;
    ConfigRecord expected;
    expected.values = states.at(kind).items;
    const bool same = file && file->password == "7315" && CompareRecords(file->record, expected).isEmpty() &&
                      entry.label.port == port && entry.label.firmware == QStringLiteral("VELT v 1.8");
    found << QString(kind) + (same ? "" : " differs");
  }
  return found;
}

// The rows of a list of changes: "Telefon nr. 1 | +48600100200 | +48111".
QStringList Rows(const TFZmiany* dialog) {
  const auto* table = dialog->findChild<QTableWidget*>("Table_zmiany");
  QStringList rows;
  if (!table->isVisibleTo(dialog)) return rows;
  for (int r = 0; r < table->rowCount(); ++r)
    rows << QStringLiteral("%1 | %2 | %3").arg(table->item(r, 0)->text(), table->item(r, 1)->text(), table->item(r, 2)->text());
  return rows;
}

// Takes the next list of changes the window opens: its note and rows; closes it.
void CatchChanges(WindowRig& rig, QString* note, QStringList* rows) {
  rig.boxes.AddHandler([note, rows](QWidget* modal) {
    auto* dialog = qobject_cast<TFZmiany*>(modal);
    if (!dialog) return false;
    *note = dialog->findChild<QLabel*>("LabelOpis")->text();
    *rows = Rows(dialog);
    if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(dialog, QStringLiteral("zmiany-%1.png").arg(rows->size()));
    dialog->accept();
    return true;
  });
}

}  // namespace

void TestConfigHistory::init() {
  dataHome_ = std::make_unique<DataHome>();
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

// Three entries fail (download, upload, and the upload's "before" tried again), in the register
// and in the folder: one warning in the status bar, no box, and the upload done.
void TestConfigHistory::unwritableFolder() {
  // Where the window keeps its entries is settled when it is made.
  QVERIFY(WriteWhole(dataHome_->filePath("plain"), ""));
  qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome_->filePath("plain/data")));
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QSignalSpy messages(rig.window->statusBar(), &QStatusBar::messageChanged);
  QVERIFY(Transfer(rig, rig.ui().Icon_get));
  SetControls(*rig.window, {"Edit_Tel1=+48111"});
  QVERIFY(Transfer(rig, rig.ui().Icon_put));

  QCOMPARE(rig.sim.State().items[ItemIndex::Phone1], QByteArray("+48111"));
  QCOMPARE(messages.size(), 1);
  QVERIFY2(rig.window->statusBar()->currentMessage().contains(QStringLiteral("; nie zapisano też historii konfiguracji (")),
           qPrintable(rig.window->statusBar()->currentMessage()));
  QCOMPARE(rig.boxes.Summaries(), QStringList());
  if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(rig.window.get(), "historia-ostrzezenie.png");
}

// The list, newest first with a damaged entry greyed; a filter; compare; load.
void TestConfigHistory::historyDialog() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  rig.sim.SetState(Held());
  const HistoryStore store;
  QVERIFY(QDir().mkpath(store.Folder()));
  const EntryLabel damaged{QDateTime::currentDateTime().addDays(-1), EntryKind::Written, "/dev/ttyS0", {}, "+48999", ""};
  QVERIFY(WriteWhole(store.PathOf(EntryFileName(damaged)), "gcf"));
  QVERIFY(Transfer(rig, rig.ui().Icon_get));
  SetControls(*rig.window, {"Edit_Tel1=+48111", "BoxIN1T1=1", "Edit_haslo=1234"});

  QStringList listed, filtered, compareRows;
  QString compareNote;
  bool damagedLoadable = true;
  const bool ran = RunDialog<TFHistoria>(
      rig, [&rig] { rig.ui().HistoriaKonfiguracji1->trigger(); },
      [&](TFHistoria* dialog) {
        auto* table = dialog->findChild<QTableView*>("Table_historia");
        const auto rowText = [table](int r) {
          QStringList cells;
          for (int c = 0; c < table->model()->columnCount(); ++c) cells << table->model()->index(r, c).data().toString();
          return cells.mid(1).join(" | ");
        };
        for (int r = 0; r < table->model()->rowCount(); ++r) listed << rowText(r);
        if (qEnvironmentVariableIsSet("VELT_SHOTS")) SaveShot(dialog, "historia.png");
        table->selectRow(1);
        damagedLoadable = dialog->findChild<QAbstractButton*>("Button_wczytaj")->isEnabled();
        QTest::keyClicks(dialog->findChild<QLineEdit*>("Edit_szukaj"), "+48999");
        for (int r = 0; r < table->model()->rowCount(); ++r) filtered << rowText(r);
        dialog->findChild<QLineEdit*>("Edit_szukaj")->clear();
        table->selectRow(0);
        CatchChanges(rig, &compareNote, &compareRows);
        QTest::mouseClick(dialog->findChild<QAbstractButton*>("Button_porownaj"), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<QAbstractButton*>("Button_wczytaj"), Qt::LeftButton);
      },
      10000);
  QVERIFY(ran);

  const QString port = rig.portPath;
  QCOMPARE(listed, QStringList({"Odczyt | " + port + " | VELT v 1.8 | +48600100200 | +48501200777",
                                "Zapis, nieczytelny | /dev/ttyS0 |  | +48999 | "}));
  QCOMPARE(filtered, QStringList{listed[1]});
  QVERIFY(!damagedLoadable);
  QVERIFY2(compareNote.startsWith(QStringLiteral("Pozycje, w których wpis z ")), qPrintable(compareNote));
  QCOMPARE(compareRows, QStringList({"Telefon nr. 1 | +48600100200 | +48111", "SMS, Voice | brak | IN1: SMS 1"}));
  // Loaded as a file is: the password field too, and the box a file load shows.
  QCOMPARE(rig.ui().Edit_Tel1->text(), QStringLiteral("+48600100200"));
  QCOMPARE(rig.ui().Edit_haslo->text(), QStringLiteral("7315"));
  QVERIFY(!rig.ui().BoxIN1T1->isChecked());
  QCOMPARE(rig.boxes.Summaries(), QStringList{Loaded});
}

// Older entries than the newest 200 with longer texts: every text fits its column, and the count
// says how many of all the filter shows.
void TestConfigHistory::historyColumns() {
  const HistoryStore store;
  QVERIFY(QDir().mkpath(store.Folder()));
  const QDateTime now = QDateTime::currentDateTime();
  constexpr int Entries = 210, Older = 10;
  for (int i = 0; i < Entries; ++i) {
    const bool older = i >= Entries - Older;
    const EntryLabel label{now.addSecs(-60 * i), older ? EntryKind::BeforeFirmware : EntryKind::Read, "/dev/ttyS0",
                           QStringLiteral("VELT v 1.8"), older ? "+48600100200300" : "+48", ""};
    QVERIFY(WriteWhole(store.PathOf(EntryFileName(label)), "gcf"));
  }
  RegisterKeeper keeper;
  TFHistoria dialog(keeper, {}, nullptr);
  dialog.show();
  QVERIFY(QTest::qWaitForWindowExposed(&dialog));
  auto* table = dialog.findChild<QTableView*>("Table_historia");
  auto* count = dialog.findChild<QLabel*>("LabelFolder");
  QCOMPARE(table->model()->rowCount(), Entries);
  table->horizontalHeader()->setResizeContentsPrecision(-1);  // the view's own measure, of every row
  for (int c = 0; c < table->model()->columnCount(); ++c)
    QVERIFY2(static_cast<QAbstractItemView*>(table)->sizeHintForColumn(c) <= table->columnWidth(c),
             qPrintable(QString::number(c)));
  const QString all = count->text();
  QVERIFY2(all.contains(QString::number(Entries)), qPrintable(all));

  QTest::keyClicks(dialog.findChild<QLineEdit*>("Edit_szukaj"), "+48600100200300");
  QCOMPARE(table->model()->rowCount(), Older);
  QVERIFY2(count->text().contains(QStringLiteral("%1 z %2").arg(Older).arg(Entries)), qPrintable(count->text()));
  dialog.findChild<QLineEdit*>("Edit_szukaj")->clear();
  QCOMPARE(count->text(), all);
}

// A damaged register: the download's entry goes into the folder, and the dialog lists the folder,
// saying why, and loads from it.
void TestConfigHistory::unreadableHistory() {
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  rig.sim.SetState(Held());
  const QString registerPath = RegisterFile::DefaultPath();
  QVERIFY(QDir().mkpath(QFileInfo(registerPath).path()));
  QVERIFY(WriteWhole(registerPath, QByteArray(4096, 'x')));
  QVERIFY(Transfer(rig, rig.ui().Icon_get));
  QVERIFY2(rig.window->statusBar()->currentMessage().contains(HistoryStore().Folder()),
           qPrintable(rig.window->statusBar()->currentMessage()));
  SetControls(*rig.window, {"Edit_Tel1=+48111"});

  QString shown;
  int rows = 0;
  const bool ran = RunDialog<TFHistoria>(
      rig, [&rig] { rig.ui().HistoriaKonfiguracji1->trigger(); },
      [&](TFHistoria* dialog) {
        shown = dialog->findChild<QLabel*>("LabelFolder")->text();
        rows = dialog->findChild<QTableView*>("Table_historia")->model()->rowCount();
        QTest::mouseClick(dialog->findChild<QAbstractButton*>("Button_wczytaj"), Qt::LeftButton);
      },
      10000);
  QVERIFY(ran);
  QVERIFY2(shown.startsWith(registerPath) || shown.contains(registerPath), qPrintable(shown));
  QVERIFY2(shown.contains(HistoryStore().Folder()), qPrintable(shown));
  QCOMPARE(rows, 1);
  QCOMPARE(rig.ui().Edit_Tel1->text(), QStringLiteral("+48600100200"));
}

void TestConfigHistory::showChanges_data() {
  // D download, U upload, E edit, X disconnect and connect again, N disconnect
  QTest::addColumn<QString>("steps");
  QTest::addColumn<QStringList>("rows");  // empty, with a note: nothing would change
  QTest::addColumn<QString>("box");       // instead of the list
  QTest::newRow("nothing read") << "E" << QStringList() << NoDownload;
  QTest::newRow("read, nothing edited") << "D" << QStringList() << QString();
  QTest::newRow("read, edited") << "D E" << QStringList{"Telefon nr. 1 | +48600100200 | +48111",
                                                         "SMS, Voice | brak | IN1: SMS 1; IN2: Voice 3",
                                                         "Limit SMS  [24H] | 5 | 7"}
                                << QString();
  QTest::newRow("written, then edited") << "E U E" << QStringList{"Limit SMS  [24H] | 7 | 9"} << QString();
  QTest::newRow("read in an earlier connection") << "D X E" << QStringList() << NoDownload;
  QTest::newRow("read, then disconnected") << "D N" << QStringList() << NoConnection;
}

void TestConfigHistory::showChanges() {
  QFETCH(QString, steps);
  QFETCH(QStringList, rows);
  QFETCH(QString, box);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  rig.sim.SetState(Held());
  int edits = 0;
  for (const QString& step : steps.split(u' ')) {
    if (step == "D") QVERIFY(Transfer(rig, rig.ui().Icon_get));
    if (step == "U") QVERIFY(Transfer(rig, rig.ui().Icon_put));
    if (step == "E")
      SetControls(*rig.window, edits++ == 0 ? QStringList{"Edit_Tel1=+48111", "Edit_LimitSMS=7", "BoxIN1T1=1", "BoxIN2S3=1"}
                                            : QStringList{"Edit_LimitSMS=9"});
    if (step == "X" || step == "N") rig.Click(rig.ui().Button_rozlacz);
    if (step == "X") LOG_IN(rig);
  }
  const int boxesBefore = rig.boxes.Boxes().size();
  QString note;
  QStringList shown;
  CatchChanges(rig, &note, &shown);
  const QList<LoggedRequest> before = rig.sim.Requests();
  rig.ui().PokazZmiany1->trigger();
  rig.boxes.ClearHandlers();

  QCOMPARE(rig.boxes.Summaries().mid(boxesBefore), box.isEmpty() ? QStringList() : QStringList{box});
  QCOMPARE(shown, rows);
  if (box.isEmpty() && rows.isEmpty()) QVERIFY2(note.startsWith(QStringLiteral("Zapis do VELT niczego nie zmieni")), qPrintable(note));
  for (const LoggedRequest& r : rig.sim.Requests().mid(before.size()))
    QCOMPARE(r.command, quint8(Cmd::Status));  // nothing but the status poll went out
}
