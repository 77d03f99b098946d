// The firmware dialog: which files START accepts, and transfers to the simulated bootloader,
// healthy and faulty, judged by what the controller received and what the window showed.
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <sys/stat.h>

#include "commands.h"
#include "maint_rig.h"
#include "tfboot.h"
#include "tst_app_maint.h"

namespace {
const QString Warning = QStringLiteral("Warning: NIE WYŁĄCZAJ STEROWNIKA VELT Z ZASILANIA");
const QString Completed = QStringLiteral("Information: Aktualizacja zakonczona");
const QString Failed = QStringLiteral("Error: Brak odpowiedzi z VELT, aktualizacja nieudana");
const QString BadFormat = QStringLiteral("Error: Zly format pliku");
const QString BadCrc = QStringLiteral("Error: Bląd CRC pliku konfiguracji");
const QString Lost = QStringLiteral("\nPort COM niedostępny");

struct BootDialog {
  explicit BootDialog(TFboot* dialog)
      : dialog(dialog),
        file(dialog->findChild<QPushButton*>("Button1")),
        start(dialog->findChild<QPushButton*>("ButtonStart")),
        name(dialog->findChild<QLabel*>("LabelNazwaPliku")),
        bar(dialog->findChild<QProgressBar*>("BarBoot")) {}
  bool Complete() const { return file && start && name && bar; }
  TFboot* dialog;
  QPushButton* file;
  QPushButton* start;
  QLabel* name;
  QProgressBar* bar;
};

bool RunBoot(WindowRig& rig, std::function<void(BootDialog&)> drive, qint64* goneMs = nullptr) {
  return RunDialog<TFboot>(
      rig, rig.ui().ButtonFirmware,
      [drive](TFboot* dialog) {
        BootDialog d(dialog);
        QVERIFY(d.Complete());
        drive(d);
      },
      60000, goneMs);
}

// The image padded as the bootloader receives it: 0xFF up to a whole block.
QByteArray Padded(const QByteArray& image) {
  return image + QByteArray((64 - image.size() % 64) % 64, char(0xFF));
}

// Block numbers of the block requests since a time, in arrival order: "0 0 1".
QString BlockOrder(const WindowRig& rig, qint64 sinceMs) {
  QStringList order;
  for (const LoggedRequest& r : rig.Requests(Cmd::FirmwareBlock, sinceMs)) order << QString::number(r.payload.isEmpty() ? -1 : int(quint8(r.payload.at(0))));
  return order.join(' ');
}

// Writes a firmware file of the kind named; returns its path (empty for "cancel").
QString MakeFile(const QTemporaryDir& folder, const QString& kind, QString* why) {
  if (kind == "cancel") return {};
  const QString path = folder.filePath(kind + ".gfr");
  QByteArray bytes;
  if (kind == "good") bytes = FirmwareFile(FirmwareImageBytes(65));
  else if (kind == "good2") bytes = FirmwareFile(FirmwareImageBytes(128));
  else if (kind == "signature") bytes = WithCheck("GFR" + FirmwareImageBytes(65));
  else if (kind == "checksum") {
    bytes = FirmwareFile(FirmwareImageBytes(65));
    bytes[40] = char(bytes[40] ^ 0x10);
  } else if (kind == "short") bytes = "gfr";
  else if (kind == "noimage") bytes = FirmwareFile({});
  else if (kind == "large") bytes = FirmwareFile(FirmwareImageBytes(8189));
  else if (kind == "fifo") {
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0) *why = "mkfifo failed";
    return path;
  } else if (kind == "missing") return path;
  if (!WriteWhole(path, bytes)) *why = "cannot write " + path;
  return path;
}
}  // namespace

void TestFirmware::fileChoice_data() {
  QTest::addColumn<QStringList>("choices");  // file kinds chosen one after the other with "Plik"
  QTest::addColumn<bool>("startEnabled");
  QTest::addColumn<QStringList>("boxes");  // "Error: *" stands for any error box
  QTest::newRow("a good file") << QStringList{"good"} << true << QStringList{};
  QTest::newRow("upper-case signature") << QStringList{"signature"} << false << QStringList{BadFormat};
  QTest::newRow("a flipped bit") << QStringList{"checksum"} << false << QStringList{BadCrc};
  QTest::newRow("the signature alone") << QStringList{"short"} << false << QStringList{BadFormat};
  QTest::newRow("signature and check byte, no image") << QStringList{"noimage"} << false << QStringList{"Error: *"};
  QTest::newRow("8193 bytes") << QStringList{"large"} << false << QStringList{"Error: *"};
  QTest::newRow("a FIFO") << QStringList{"fifo"} << false << QStringList{"Error: *"};
  QTest::newRow("a file that does not exist") << QStringList{"missing"} << false << QStringList{"Error: *"};
  QTest::newRow("good, then damaged") << QStringList{"good", "checksum"} << false << QStringList{BadCrc};
  QTest::newRow("good, then cancelled") << QStringList{"good", "cancel"} << true << QStringList{};
  QTest::newRow("damaged, then cancelled") << QStringList{"checksum", "cancel"} << false << QStringList{BadCrc};
  QTest::newRow("damaged, then good") << QStringList{"checksum", "good2"} << true << QStringList{BadCrc};
}

// START is enabled only while the last file chosen passed; a START forced while it is disabled
// sends nothing. The dialog opens empty, and the status poll stops while it is open.
void TestFirmware::fileChoice() {
  QFETCH(QStringList, choices);
  QFETCH(bool, startEnabled);
  QFETCH(QStringList, boxes);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTemporaryDir folder;
  QStringList paths;
  QString why;
  for (const QString& kind : choices) paths << MakeFile(folder, kind, &why);
  QVERIFY2(why.isEmpty(), qPrintable(why));
  QStringList filters;
  int next = 0;
  rig.window->ChooseOpenFile = [&](const QString& filter) {
    filters << filter;
    return paths.value(next++);
  };
  QString title, nameAtOpen, nameAfter;
  bool startAtOpen = true, barAtOpen = true, startAfter = false, statusWhileOpen = true;
  qint64 forcedMs = 0;
  QVERIFY(RunBoot(rig, [&](BootDialog& d) {
    title = d.dialog->windowTitle();
    nameAtOpen = d.name->text();
    startAtOpen = d.start->isEnabled();
    barAtOpen = d.bar->isVisible();
    statusWhileOpen = rig.window->Status.StatusDisplayOn;
    for (int i = 0; i < choices.size(); ++i) QTest::mouseClick(d.file, Qt::LeftButton);
    startAfter = d.start->isEnabled();
    nameAfter = d.name->text();
    if (!startAfter) {
      forcedMs = Simulator::NowMs();
      emit d.start->clicked();
      QTest::qWait(300);
    }
    d.dialog->reject();
  }));
  QCOMPARE(title, QStringLiteral("Bootloader"));
  QCOMPARE(nameAtOpen, QString());
  QVERIFY(!startAtOpen);
  QVERIFY(!barAtOpen);
  QVERIFY(!statusWhileOpen);
  QCOMPARE(filters.size(), choices.size());
  for (const QString& filter : filters) QVERIFY2(filter.contains("*.gfr"), qPrintable(filter));
  QCOMPARE(startAfter, startEnabled);
  // The path of the last file chosen, cancelled choices aside.
  QString shownPath;
  for (const QString& path : paths)
    if (!path.isEmpty()) shownPath = path;
  QCOMPARE(nameAfter, shownPath);
  const QStringList shown = rig.boxes.Summaries();
  QCOMPARE(shown.size(), boxes.size());
  for (int i = 0; i < boxes.size(); ++i) {
    if (boxes[i].endsWith('*')) QVERIFY2(shown[i].startsWith(boxes[i].chopped(1)), qPrintable(shown[i]));
    else QCOMPARE(shown[i], boxes[i]);
  }
  if (forcedMs) QCOMPARE(rig.CommandsSince(forcedMs).contains(QString::number(Cmd::Restart)), false);
  // Closed without a transfer: still logged in, and the status poll comes back.
  QVERIFY(rig.window->LoggedIn);
  QVERIFY(rig.window->Status.StatusDisplayOn);
  const qint64 closedMs = Simulator::NowMs();
  QTRY_VERIFY_WITH_TIMEOUT(!rig.Requests(Cmd::Status, closedMs).isEmpty(), 2500);
}

void TestFirmware::transfer_data() {
  QTest::addColumn<int>("size");  // image bytes
  QTest::addColumn<QStringList>("faults");
  QTest::addColumn<int>("baud");        // of the simulated line; 0: no pacing
  QTest::addColumn<QString>("blocks");  // block numbers in the order the controller received them
  QTest::addColumn<bool>("completed");
  QTest::addColumn<QList<int>>("progress");  // the gauge's values after the start; empty: not looked at
  // The line is paced: a "!" can only follow a block that has reached the controller.
  QTest::newRow("65 bytes: the second block padded")
      << 65 << QStringList{} << 1200 << "0 1" << true << QList<int>{92, 94, 100};
  QTest::newRow("128 bytes: two full blocks, no third")
      << 128 << QStringList{} << 1200 << "0 1" << true << QList<int>{48, 96, 100};
  // Noise comes in the same write as the "!" only on a line without pacing.
  QTest::newRow("an acknowledgement among other bytes is none")
      << 65 << QStringList{"noisy-ack=0x0x1", "slow=101:700"} << 0 << "0 0 1" << true << QList<int>{};
  QTest::newRow("a \"!\" before block 0 is not its acknowledgement")
      << 65 << QStringList{"stray-ack=1000", "no-ack=0x0x1"} << 1200 << "0 0 1" << true << QList<int>{};
  // Block 0's first "!" comes after its resend has reached the controller, and the resend's
  // own "!" right behind it.
  QTest::newRow("a duplicate acknowledgement is not the next block's")
      << 65 << QStringList{"late-ack=0:1700x1", "no-ack=1x1"} << 1200 << "0 0 1 1" << true << QList<int>{};
  QTest::newRow("two resends, then a third block unacknowledged")
      << 256 << QStringList{"no-ack=0x0x1", "no-ack=1x1", "no-ack=2"} << 1200 << "0 0 1 1 2" << false << QList<int>{};
  QTest::newRow("the last block unacknowledged") << 65 << QStringList{"no-ack=1"} << 1200 << "0 1 1 1" << false
                                                 << QList<int>{};
}

void TestFirmware::transfer() {
  QFETCH(int, size);
  QFETCH(QStringList, faults);
  QFETCH(int, baud);
  QFETCH(QString, blocks);
  QFETCH(bool, completed);
  QFETCH(QList<int>, progress);
  const bool shots = QTest::currentDataTag() == QStringLiteral("65 bytes: the second block padded");
  WindowRig rig({.baud = baud, .stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTemporaryDir folder;
  const QByteArray image = FirmwareImageBytes(size);
  const QByteArray file = FirmwareFile(image);
  QVERIFY2(quint8(file.back()) != 0xFF, "the check byte must differ from the padding");
  const QString path = folder.filePath("image.gfr");
  QVERIFY(WriteWhole(path, file));
  // The file, then a cancelled choice: START sends the file chosen before.
  int choices = 0;
  rig.window->ChooseOpenFile = [path, &choices](const QString&) { return choices++ == 0 ? path : QString(); };

  TFboot* open = nullptr;
  bool loggedInAtWarning = true;
  int restartsAtWarning = -1;
  int barAtEnd = -1;
  rig.boxes.AddHandler([&](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    if (!box || !open) return false;
    if (box->text().startsWith("NIE WYŁĄCZAJ")) {
      loggedInAtWarning = rig.window->LoggedIn;
      restartsAtWarning = rig.Requests(Cmd::Restart).size();
    } else if (box->text().startsWith("Aktualizacja") || box->text().startsWith("Brak")) {
      barAtEnd = open->findChild<QProgressBar*>("BarBoot")->value();
      if (shots) SaveShot(open, "fboot-after.png");
    }
    return false;
  });
  QList<int> values;
  qint64 startMs = 0, goneMs = 0;
  const int boxesBefore = rig.boxes.Boxes().size();
  QVERIFY(RunBoot(
      rig,
      [&](BootDialog& d) {
        open = d.dialog;
        QObject::connect(d.bar, &QProgressBar::valueChanged, d.dialog, [&, d](int value) {
          if (value == 0) return;
          if (shots && values.isEmpty()) SaveShot(d.dialog, "fboot-during.png");
          values << value;
        });
        QTest::mouseClick(d.file, Qt::LeftButton);
        QTest::mouseClick(d.file, Qt::LeftButton);
        QCOMPARE(choices, 2);
        QVERIFY(d.start->isEnabled());
        QVERIFY(rig.sim.SetFaults(faults));
        startMs = Simulator::NowMs();
        QTest::mouseClick(d.start, Qt::LeftButton);
      },
      &goneMs));
  open = nullptr;

  // What the window showed.
  const QList<BoxWatcher::Box> shown = rig.boxes.Boxes().mid(boxesBefore);
  QStringList summaries;
  for (const BoxWatcher::Box& box : shown) summaries << box.summary;
  QCOMPARE(summaries, (QStringList{Warning, completed ? Completed : Failed}));
  QVERIFY(!loggedInAtWarning);
  QCOMPARE(restartsAtWarning, 0);
  if (!progress.isEmpty()) QCOMPARE(values, progress);
  if (completed) QCOMPARE(barAtEnd, 100);
  // The dialog closes by itself about a second after the last message.
  VERIFY_BETWEEN(goneMs - shown.last().closedMs, 900, 2500);

  // What the controller received.
  const QString order = QString("100 ") + QString("101 ").repeated(blocks.count(' ') + 1) + (completed ? "102" : "");
  QCOMPARE(rig.CommandsSince(startMs), order.trimmed());
  QCOMPARE(BlockOrder(rig, startMs), blocks);
  const QList<LoggedRequest> restart = rig.Requests(Cmd::Restart, startMs);
  QCOMPARE(restart.first().payload, QByteArray("B"));
  const QList<LoggedRequest> sent = rig.Requests(Cmd::FirmwareBlock, startMs);
  const QByteArray padded = Padded(image);
  for (const LoggedRequest& r : sent) {
    const int n = quint8(r.payload.at(0));
    QCOMPARE(r.payload.mid(1).toHex(' '), padded.mid(n * 64, 64).toHex(' '));
  }
  if (completed) {
    QCOMPARE(rig.sim.ReceivedFirmware().toHex(' '), padded.toHex(' '));
    QCOMPARE(rig.Requests(Cmd::FirmwareEnd, startMs).first().payload, QByteArray("K"));
  }
  // Mandated pauses: two seconds before the first block and before the end request, a second
  // between a block and its resend; with a paced line, a frame takes its time to arrive.
  const int lineMs = baud > 0 ? 700 : 0;
  VERIFY_BETWEEN(sent.first().ms - restart.first().ms, 1900, 3000 + lineMs);
  for (qsizetype i = 1; i < sent.size(); ++i)
    if (sent[i].payload.at(0) == sent[i - 1].payload.at(0)) VERIFY_BETWEEN(sent[i].ms - sent[i - 1].ms, 800, 1800);
  if (completed) VERIFY_BETWEEN(rig.Requests(Cmd::FirmwareEnd, startMs).first().ms - sent.last().ms, 1900, 3000 + lineMs);

  // Logged out whatever the outcome, the port still open.
  QVERIFY(!rig.window->LoggedIn);
  QVERIFY(rig.window->ComPort.Connected());
  QCOMPARE(Shown(rig.ui().Edit_logon), QStringLiteral("WYLOGOWANY red"));
  QCOMPARE(Shown(rig.ui().Edit_status), QStringLiteral("POŁĄCZONY lime"));
  QCOMPARE(EnabledControls(*rig.window), Enabled::ConnectedLoggedOut);
}

void TestFirmware::hangUp_data() {
  QTest::addColumn<int>("size");
  QTest::addColumn<QStringList>("faults");
  // Acknowledgements a little late, and the line closed after the third request: while the
  // third block waits for its acknowledgement.
  QTest::newRow("while a block waits") << 320 << QStringList{"slow=101:300", "hangup-after=3"};
  // Both blocks acknowledged, the line closed during the pause before the end request.
  QTest::newRow("before the end request") << 65 << QStringList{"hangup-after=3"};
}

// The line goes mid-transfer: the window says so and is disconnected; the dialog closes itself
// and no completion is claimed.
void TestFirmware::hangUp() {
  QFETCH(int, size);
  QFETCH(QStringList, faults);
  WindowRig rig({.stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTemporaryDir folder;
  const QString path = folder.filePath("image.gfr");
  QVERIFY(WriteWhole(path, FirmwareFile(FirmwareImageBytes(size))));
  rig.window->ChooseOpenFile = [path](const QString&) { return path; };
  qint64 startMs = 0, goneMs = 0;
  const int boxesBefore = rig.boxes.Boxes().size();
  QVERIFY(RunBoot(
      rig,
      [&](BootDialog& d) {
        QTest::mouseClick(d.file, Qt::LeftButton);
        QVERIFY(rig.sim.SetFaults(faults));
        startMs = Simulator::NowMs();
        QTest::mouseClick(d.start, Qt::LeftButton);
      },
      &goneMs));
  const QList<BoxWatcher::Box> shown = rig.boxes.Boxes().mid(boxesBefore);
  QCOMPARE(shown.size(), 2);
  QCOMPARE(shown[0].summary, Warning);
  QVERIFY2(shown[1].summary.startsWith("Error: ") && shown[1].summary.endsWith(Lost), qPrintable(shown[1].summary));
  VERIFY_BETWEEN(goneMs - shown[1].closedMs, 0, 2500);
  QVERIFY(!rig.sim.Serving());
  QVERIFY(rig.Requests(Cmd::FirmwareEnd, startMs).isEmpty());
  QVERIFY(!rig.window->ComPort.Connected());
  QVERIFY(!rig.window->LoggedIn);
  QCOMPARE(Shown(rig.ui().Edit_status), QStringLiteral("ROZŁĄCZONY red"));
  QCOMPARE(Shown(rig.ui().Edit_logon), QStringLiteral("WYLOGOWANY red"));
  QCOMPARE(EnabledControls(*rig.window), Enabled::Disconnected);
}

void TestFirmware::closeDuringTransfer_data() {
  QTest::addColumn<bool>("stop");  // the answer to the question
  QTest::newRow("stopped") << true;
  QTest::newRow("not stopped") << false;
}

// Closing the dialog during a transfer asks first. Stopped: no frame after the block that was
// on its way, and the dialog closes itself. Not stopped: the transfer goes on to its end.
// "Plik" and "START" start nothing meanwhile.
void TestFirmware::closeDuringTransfer() {
  QFETCH(bool, stop);
  WindowRig rig({.baud = 1200, .stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  QTemporaryDir folder;
  const QString path = folder.filePath("image.gfr");
  QVERIFY(WriteWhole(path, FirmwareFile(FirmwareImageBytes(192))));
  int chosen = 0;
  rig.window->ChooseOpenFile = [&](const QString&) {
    ++chosen;
    return path;
  };
  rig.boxes.SetAnswer(stop ? QMessageBox::Yes : QMessageBox::No);
  QMessageBox::StandardButtons asked = QMessageBox::NoButton;
  rig.boxes.AddHandler([&](QWidget* modal) {
    if (auto* box = qobject_cast<QMessageBox*>(modal); box && box->buttons().size() > 1) asked = box->standardButtons();
    return false;
  });
  qint64 startMs = 0, closeMs = 0, goneMs = 0;
  bool buttonsOff = false;
  const int boxesBefore = rig.boxes.Boxes().size();
  QVERIFY(RunBoot(
      rig,
      [&](BootDialog& d) {
        QTest::mouseClick(d.file, Qt::LeftButton);
        QVERIFY(rig.sim.SetFaults({"slow=101:400"}));
        auto* during = new QTimer(d.dialog);
        during->setInterval(20);
        QObject::connect(during, &QTimer::timeout, d.dialog, [&, d, during] {
          if (rig.Requests(Cmd::FirmwareBlock, startMs).isEmpty()) return;
          during->stop();
          buttonsOff = !d.file->isEnabled() && !d.start->isEnabled();
          QTest::mouseClick(d.file, Qt::LeftButton);
          QTest::mouseClick(d.start, Qt::LeftButton);
          emit d.file->clicked();
          emit d.start->clicked();
          closeMs = Simulator::NowMs();
          d.dialog->close();
        });
        startMs = Simulator::NowMs();
        during->start();
        QTest::mouseClick(d.start, Qt::LeftButton);
      },
      &goneMs));
  QVERIFY(closeMs > 0);
  QVERIFY(buttonsOff);
  QCOMPARE(chosen, 1);
  QCOMPARE(asked, QMessageBox::Yes | QMessageBox::No);
  const QList<BoxWatcher::Box> shown = rig.boxes.Boxes().mid(boxesBefore);
  QCOMPARE(shown.size(), stop ? 2 : 3);
  QCOMPARE(shown[0].summary, Warning);
  QVERIFY2(shown[1].summary.contains("(2 buttons"), qPrintable(shown[1].summary));
  if (stop) {
    VERIFY_BETWEEN(goneMs - shown[1].closedMs, 0, 2500);
    QTest::qWait(1500);
    QCOMPARE(rig.CommandsSince(startMs), QStringLiteral("100 101"));
  } else {
    QCOMPARE(shown[2].summary, Completed);
    QCOMPARE(rig.CommandsSince(startMs), QStringLiteral("100 101 101 101 102"));
    QCOMPARE(rig.sim.ReceivedFirmware(), Padded(FirmwareImageBytes(192)));
  }
  QVERIFY(!rig.window->LoggedIn);
  QCOMPARE(Shown(rig.ui().Edit_logon), QStringLiteral("WYLOGOWANY red"));
  QVERIFY(rig.window->ComPort.Connected());
}
