// Configuration files saved from and loaded into the main window: the bytes on disk, what a
// load changes, and the files and saves that fail.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "commands.h"
#include "maint_rig.h"
#include "system_error.h"
#include "tst_app_maint.h"

namespace {
const QString Loaded = QStringLiteral("Information: Odczytano plik konfiguracji");
const QString BadFormat = QStringLiteral("Error: Zly format pliku");
const QString BadCrc = QStringLiteral("Error: Bląd CRC pliku konfiguracji");
const QStringList ClearTexts{"Edit_haslo=", "Edit_pin=", "Edit_operator="};


QStringList AllBoxes(const QString& value) {
  QStringList entries;
  for (const char* kind : {"T", "S"})
    for (int in = 1; in <= 5; ++in)
      for (int tel = 1; tel <= 4; ++tel) entries << QStringLiteral("BoxIN%1%2%3=%4").arg(in).arg(kind).arg(tel).arg(value);
  // The mini alarm-panel box before the alarm-signal box, which it enables.
  for (const char* box : {"BoxOut1NC", "BoxOut2NC", "BoxOUT3NC", "BoxOut1Mono", "BoxOut2Mono", "BoxOut3Mono", "BoxPotw",
                          "BoxAutotest", "BoxIN1blok", "BoxOut1sygn"})
    entries << QStringLiteral("%1=%2").arg(box, value);
  return entries;
}

// A window full of Polish texts, every box ticked, the numbers at their largest.
QStringList FullWindow() {
  QStringList entries{"Edit_haslo=4826", "Edit_pin=1357", "Combo_operator=PLUS", "Edit_operator=+48601000310",
                      "EditPotw=Wykonano ąęśćź!",
                      "Out1Czas=99", "Out2Czas=98", "Out3Czas=97", "Edit_LimitSMS=99", "Edit_LimitVoice=96"};
  for (int n = 1; n <= 4; ++n) entries << QStringLiteral("Edit_Tel%1=+48600100200%1").arg(n);
  for (int r = 1; r <= 5; ++r) {
    entries << QStringLiteral("Edit_IN%1N=Wyłączone wejście nr %1: ąęśćźż").arg(r);
    entries << QStringLiteral("Edit_IN%1A=Zażółć gęślą jaźń %1").arg(r);
  }
  for (int o = 1; o <= 3; ++o) entries << QStringLiteral("Edit_Out%1zal=ZAŁ%1").arg(o) << QStringLiteral("Edit_Out%1wyl=WYŁ%1").arg(o);
  return entries + AllBoxes("1");
}

// Every other box, small numbers, upper-case Polish texts, some fields empty, another operator.
QStringList MixedWindow() {
  QStringList entries{"Edit_haslo=0000", "Edit_pin=9999", "Combo_operator=inny", "Edit_operator=+48123456789",
                      "EditPotw=ŻÓŁW",
                      "Out1Czas=1", "Out2Czas=42", "Out3Czas=7", "Edit_LimitSMS=12", "Edit_LimitVoice=0",
                      "Edit_Tel2=+48500600700", "Edit_IN3N=ZAŻÓŁĆ GĘŚLĄ JAŹŃ", "Edit_IN5A=Źle", "Edit_Out2wyl=STOP"};
  const QStringList boxes = AllBoxes("1");
  for (int i = 0; i < boxes.size(); ++i) entries << boxes[i].section('=', 0, 0) + (i % 2 == 0 ? "=1" : "=0");
  return entries;
}

// Saves the window's configuration through the save button to path; the boxes it showed.
QStringList Save(WindowRig& rig, TMain& window, const QString& path) {
  const int before = rig.boxes.Boxes().size();
  window.ChooseSaveFile = [path](const QString&, const QString&) { return path; };
  QTest::mouseClick(window.ui.SpeedButton1, Qt::LeftButton);
  return rig.boxes.Summaries().mid(before);
}

// Loads path through the open button; the boxes it showed.
QStringList Load(WindowRig& rig, const QString& path) {
  const int before = rig.boxes.Boxes().size();
  rig.window->ChooseOpenFile = [path](const QString&) { return path; };
  rig.Click(rig.ui().SpeedButton2);
  return rig.boxes.Summaries().mid(before);
}

// A file of the full window, made by a window of its own.
QByteArray FullWindowFile(WindowRig& rig, const QString& folder) {
  TMain producer(nullptr, rig.ports.Roots());
  SetControls(producer, FullWindow());
  const QString path = folder + "/full.gcf";
  Save(rig, producer, path);
  return ReadWhole(path);
}

// The offset of the matrix item's length byte.
qsizetype MatrixOffset(const FileView& view) {
  qsizetype at = 3;
  for (const QByteArray& text : view.texts) at += 1 + text.size();
  return at;
}
}  // namespace

void TestConfigFiles::savedBytes_data() {
  QTest::addColumn<QStringList>("set");
  QTest::addColumn<QByteArray>("expected");
  QTest::newRow("every text empty: the 43-byte example")
      << ClearTexts
      << QByteArray::fromHex("676366" + QByteArray(23 * 2, '0') + "050000000000" "0505050000" "00" "024f4b" "00" "64");
  QTest::newRow("a fresh window")
      << QStringList{}
      << QByteArray::fromHex("676366 0437333135 0437333135 0c2b3438353031323030373737" + QByteArray(20 * 2, '0') +
                             "050000000000 0505050000 00 024f4b 00 7e");
  QTest::newRow("every box ticked")
      << ClearTexts + AllBoxes("1")
      << QByteArray::fromHex("676366" + QByteArray(23 * 2, '0') + "05ffffffffff" "0505050000" "7f" "024f4b" "07" "e3");
  QTest::newRow("numbers, each its own byte")
      << ClearTexts + QStringList{"Out1Czas=99", "Out2Czas=1", "Out3Czas=42", "Edit_LimitSMS=7", "Edit_LimitVoice=99"}
      << QByteArray::fromHex("676366" + QByteArray(23 * 2, '0') + "050000000000" "63012a0763" "00" "024f4b" "00" "4d");
  QTest::newRow("some output and option boxes, empty confirmation: 41 bytes")
      << ClearTexts + QStringList{"BoxOut1NC=1", "BoxOut1Mono=1", "BoxOut3Mono=1", "BoxIN1blok=1", "BoxOut1sygn=1",
                                  "EditPotw="}
      << QByteArray::fromHex("676366" + QByteArray(23 * 2, '0') + "050000000000" "0505050000" "4a" "00" "06" "2e");
}

void TestConfigFiles::savedBytes() {
  QFETCH(QStringList, set);
  QFETCH(QByteArray, expected);
  WindowRig rig;
  rig.OpenWindow();
  QTemporaryDir folder;
  SetControls(*rig.window, set);
  DropFocus(*rig.window);
  const QString path = folder.filePath("saved.gcf");
  QString filter, suffix;
  rig.window->ChooseSaveFile = [&](const QString& f, const QString& s) {
    filter = f;
    suffix = s;
    return path;
  };
  rig.Click(rig.ui().SpeedButton1);
  QCOMPARE(rig.boxes.Summaries(), QStringList{});
  QVERIFY2(filter.contains("Plik konfiguracji VELT") && filter.contains("*.gcf"), qPrintable(filter));
  QCOMPARE(suffix, QStringLiteral("gcf"));
  const QByteArray saved = ReadWhole(path);
  QCOMPARE(saved.toHex(' '), expected.toHex(' '));
  QCOMPARE(Xor(saved), quint8(0));
}

void TestConfigFiles::saveCancelled() {
  WindowRig rig;
  rig.OpenWindow();
  QTemporaryDir folder;
  int asked = 0;
  rig.window->ChooseSaveFile = [&](const QString&, const QString&) {
    ++asked;
    return QString();
  };
  rig.Click(rig.ui().SpeedButton1);
  rig.window->ui.Zapis1->trigger();
  QCOMPARE(asked, 2);
  QCOMPARE(rig.boxes.Summaries(), QStringList{});
  QCOMPARE(QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{});
}

void TestConfigFiles::roundTrip_data() {
  QTest::addColumn<QStringList>("set");
  QTest::addColumn<QString>("field");      // one text checked byte for byte
  QTest::addColumn<QByteArray>("stored");  // its Windows-1250 bytes
  QTest::addColumn<QByteArray>("padding"); // put before the check byte of the saved file
  QTest::newRow("Polish texts, every box ticked")
      << FullWindow() << "Edit_IN2A" << QByteArray::fromHex("5a61bff3b3e6 2067ea9c6cb9 206a619ff1 2032") << QByteArray();
  QTest::newRow("upper case, every other box, some fields empty")
      << MixedWindow() << "Edit_IN3N" << QByteArray::fromHex("5a41afd3a3c6 2047ca8c4ca5 204a418fd1") << QByteArray();
  QTest::newRow("bytes between the last item and the check byte")
      << MixedWindow() << "Edit_IN3N" << QByteArray::fromHex("5a41afd3a3c6 2047ca8c4ca5 204a418fd1")
      << QByteArray::fromHex("00ab07");
}

// Saved from one window and loaded into a fresh one, every control comes back; the file holds
// the texts as Windows-1250 bytes in the file's order.
void TestConfigFiles::roundTrip() {
  QFETCH(QStringList, set);
  QFETCH(QString, field);
  QFETCH(QByteArray, stored);
  QFETCH(QByteArray, padding);
  WindowRig rig;
  QTemporaryDir folder;
  const QString path = folder.filePath("round.gcf");
  auto producer = std::make_unique<TMain>(nullptr, rig.ports.Roots());
  SetControls(*producer, set);
  const QStringList shown = WindowValues(*producer);
  QCOMPARE(Save(rig, *producer, path), QStringList{});

  const std::optional<FileView> view = ViewConfigFile(ReadWhole(path));
  QVERIFY(view);
  QCOMPARE(view->texts.at(FileTextFields.indexOf(field)).toHex(' '), stored.toHex(' '));
  for (int i = 0; i < FileTextFields.size(); ++i)
    QCOMPARE(view->texts[i], Cp1250Bytes(producer->findChild<QLineEdit*>(FileTextFields[i])->text()));
  for (int i = 0; i < FileNumberFields.size(); ++i)
    QCOMPARE(int(quint8(view->numbers[i])), producer->findChild<QLineEdit*>(FileNumberFields[i])->text().toInt());
  QCOMPARE(view->confirm, Cp1250Bytes(producer->ui.EditPotw->text()));
  producer.reset();
  if (!padding.isEmpty()) QVERIFY(WriteWhole(path, WithCheck(ReadWhole(path).chopped(1) + padding)));

  rig.OpenWindow();
  QCOMPARE(Load(rig, path), QStringList{Loaded});
  QCOMPARE(WindowValues(*rig.window), shown);
}

void TestConfigFiles::refused_data() {
  QTest::addColumn<QString>("kind");      // bytes, fifo, directory, missing
  QTest::addColumn<QByteArray>("damage");  // for bytes: how the full window's file is spoilt
  QTest::addColumn<QStringList>("boxes");  // for bytes: exactly these; else one error box naming the file
  const QStringList format{BadFormat}, crc{BadCrc}, both{BadFormat, BadCrc};
  QTest::newRow("upper-case signature") << "bytes" << QByteArray("GCF, check byte made good") << format;
  QTest::newRow("upper-case signature, check byte as it was") << "bytes" << QByteArray("GCF") << both;
  QTest::newRow("bit 5 of the first byte flipped") << "bytes" << QByteArray("flip 0 5") << both;
  QTest::newRow("bit 0 of the password length flipped") << "bytes" << QByteArray("flip 3 0") << crc;
  QTest::newRow("bit 7 in a text flipped") << "bytes" << QByteArray("flip 20 7") << crc;
  QTest::newRow("bit 3 in the matrix flipped") << "bytes" << QByteArray("flip matrix 3") << crc;
  QTest::newRow("bit 1 of the option byte flipped") << "bytes" << QByteArray("flip -2 1") << crc;
  QTest::newRow("bit 6 of the check byte flipped") << "bytes" << QByteArray("flip -1 6") << crc;
  QTest::newRow("empty") << "bytes" << QByteArray("content") << format;
  QTest::newRow("one byte") << "bytes" << QByteArray("content g") << format;
  QTest::newRow("the signature alone") << "bytes" << QByteArray("content gcf") << format;
  QTest::newRow("signature and check byte, no items") << "bytes" << QByteArray("checked gcf") << format;
  QTest::newRow("8193 bytes") << "bytes" << QByteArray("oversized") << format;
  QTest::newRow("first text runs past the end") << "bytes" << QByteArray("length 3 200") << format;
  QTest::newRow("last text runs past the end") << "bytes" << QByteArray("confirm +3") << format;
  QTest::newRow("a FIFO") << "fifo" << QByteArray() << QStringList{};
  QTest::newRow("a directory") << "directory" << QByteArray() << QStringList{};
  QTest::newRow("a file that does not exist") << "missing" << QByteArray() << QStringList{};
}

// Nothing in the window changes, values or colours, and the file's fault is told.
void TestConfigFiles::refused() {
  QFETCH(QString, kind);
  QFETCH(QByteArray, damage);
  QFETCH(QStringList, boxes);
  WindowRig rig;
  QTemporaryDir folder;
  const QByteArray good = FullWindowFile(rig, folder.path());
  const std::optional<FileView> view = ViewConfigFile(good);
  QVERIFY(view);
  rig.OpenWindow();
  const int boxesBefore = rig.boxes.Boxes().size();
  const QStringList values = WindowValues(*rig.window);
  const QStringList colours = WindowColours(*rig.window);

  const QString path = folder.filePath("damaged.gcf");
  if (kind == "bytes") {
    const QList<QByteArray> words = damage.split(' ');
    QByteArray bytes = good;
    const auto at = [&](const QByteArray& word) {
      if (word == "matrix") return MatrixOffset(*view) + 1;
      const int n = word.toInt();
      return n < 0 ? bytes.size() + n : qsizetype(n);
    };
    if (damage.startsWith("GCF")) {
      bytes.replace(0, 3, "GCF");
      if (damage.contains("made good")) bytes = WithCheck(bytes.chopped(1));
    } else if (words[0] == "flip") {
      bytes[at(words[1])] = char(bytes[at(words[1])] ^ (1 << words[2].toInt()));
    } else if (words[0] == "content") {
      bytes = words.value(1);
    } else if (words[0] == "checked") {
      bytes = WithCheck(words[1]);
    } else if (words[0] == "oversized") {
      bytes = WithCheck(good.chopped(1) + QByteArray(8192 - good.size() + 1, '\0'));
      QCOMPARE(bytes.size(), 8193);
    } else if (words[0] == "length") {
      bytes[at(words[1])] = char(words[2].toInt());
      bytes = WithCheck(bytes.chopped(1));
    } else if (words[0] == "confirm") {
      const qsizetype lengthAt = bytes.size() - 3 - view->confirm.size();
      QCOMPARE(quint8(bytes[lengthAt]), quint8(view->confirm.size()));
      bytes[lengthAt] = char(view->confirm.size() + words[1].toInt());
      bytes = WithCheck(bytes.chopped(1));
    }
    QVERIFY(bytes != good);
    QVERIFY(WriteWhole(path, bytes));
  } else if (kind == "fifo") {
    QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
  } else if (kind == "directory") {
    QVERIFY(QDir().mkdir(path));
  }

  // A reader that blocked on the FIFO is set free after a while, so the test ends and says so.
  std::atomic<bool> done{false};
  std::thread release([&] {
    for (int i = 0; i < 100 && !done; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    if (done || kind != "fifo") return;
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) ::close(fd);
  });
  const qint64 startMs = Simulator::NowMs();
  const QStringList shown = Load(rig, path);
  const qint64 tookMs = Simulator::NowMs() - startMs;
  done = true;
  release.join();

  QVERIFY2(tookMs < 2000, qPrintable(QStringLiteral("the load took %1 ms").arg(tookMs)));
  if (kind == "bytes") {
    QCOMPARE(shown, boxes);
  } else {
    QCOMPARE(shown.size(), 1);
    QVERIFY2(shown[0].startsWith("Error: ") && shown[0].contains(path), qPrintable(shown[0]));
    if (kind == "missing") QVERIFY2(shown[0].contains(SystemErrorText(ENOENT)), qPrintable(shown[0]));
  }
  QCOMPARE(rig.boxes.Boxes().size(), boxesBefore + shown.size());
  QCOMPARE(WindowValues(*rig.window), values);
  QCOMPARE(WindowColours(*rig.window), colours);
}

void TestConfigFiles::failedSave_data() {
  QTest::addColumn<QString>("target");  // write fails, directory, no folder
  QTest::newRow("the write fails part way (file size limit)") << "write fails";
  QTest::newRow("the target is a directory") << "directory";
  QTest::newRow("the target's folder does not exist") << "no folder";
}

// A save that fails says so, naming the file and why, and leaves whatever was there.
void TestConfigFiles::failedSave() {
  QFETCH(QString, target);
  WindowRig rig;
  rig.OpenWindow();
  SetControls(*rig.window, FullWindow());
  QTemporaryDir folder;
  const QByteArray previous = WithCheck("gcf previous contents, not to be lost");
  QString path;
  QString reason;
  QStringList shown;
  if (target == "write fails") {
    path = folder.filePath("kept.gcf");
    QVERIFY(WriteWhole(path, previous));
    reason = SystemErrorText(EFBIG);
    // Root is bound by the file size limit too; the signal it raises would end the test.
    rlimit limit{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &limit), 0);
    const rlim_t was = limit.rlim_cur;
    limit.rlim_cur = 16;
    const sighandler_t handler = std::signal(SIGXFSZ, SIG_IGN);
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limit), 0);
    shown = Save(rig, *rig.window, path);
    limit.rlim_cur = was;
    const int restored = setrlimit(RLIMIT_FSIZE, &limit);
    std::signal(SIGXFSZ, handler);
    QCOMPARE(restored, 0);
    QCOMPARE(ReadWhole(path), previous);
  } else if (target == "directory") {
    path = folder.filePath("folder.gcf");
    QVERIFY(QDir().mkdir(path));
    reason = QStringLiteral("to jest folder");
    shown = Save(rig, *rig.window, path);
    QVERIFY(QFileInfo(path).isDir());
  } else {
    path = folder.filePath("missing/saved.gcf");
    reason = SystemErrorText(ENOENT);
    shown = Save(rig, *rig.window, path);
    QVERIFY(!QFileInfo::exists(folder.filePath("missing")));
  }
  QCOMPARE(shown.size(), 1);
  QVERIFY2(shown[0].startsWith("Error: ") && shown[0].contains(path) && shown[0].contains(reason, Qt::CaseInsensitive),
           qPrintable(shown[0]));
  // Nothing left behind beside the target.
  const QStringList left = QDir(folder.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
  QCOMPARE(left, target == "no folder" ? QStringList{} : QStringList{QFileInfo(path).fileName()});
  if (target == "directory") QCOMPARE(QDir(path).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{});
}

void TestConfigFiles::savedMode_data() {
  QTest::addColumn<int>("existingMode");  // 0: no file there
  QTest::newRow("a new file") << 0;
  QTest::newRow("replacing a file of mode 0644") << 0644;
  QTest::newRow("replacing a file of mode 0666") << 0666;
}

// The file holds the access password: only its owner may read it.
void TestConfigFiles::savedMode() {
  QFETCH(int, existingMode);
  WindowRig rig;
  rig.OpenWindow();
  QTemporaryDir folder;
  const QString path = folder.filePath("mode.gcf");
  if (existingMode) {
    QVERIFY(WriteWhole(path, "old"));
    QCOMPARE(::chmod(QFile::encodeName(path).constData(), mode_t(existingMode)), 0);
  }
  const mode_t mask = ::umask(022);
  const QStringList shown = Save(rig, *rig.window, path);
  ::umask(mask);
  QCOMPARE(shown, QStringList{});
  struct stat info {};
  QCOMPARE(::stat(QFile::encodeName(path).constData(), &info), 0);
  QCOMPARE(QString::number(info.st_mode & 07777, 8), QStringLiteral("600"));
  QVERIFY(ViewConfigFile(ReadWhole(path)));
}

void TestConfigFiles::focusedFieldLeft_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("left");       // the field's text after the save
  QTest::addColumn<QByteArray>("stored");  // its item in the file
  QTest::newRow("empty time") << "Out2Czas" << "" << "1" << QByteArray(1, 1);
  QTest::newRow("time 0") << "Out1Czas" << "0" << "1" << QByteArray(1, 1);
  QTest::newRow("time 00") << "Out3Czas" << "00" << "1" << QByteArray(1, 1);
  QTest::newRow("time 42 stays") << "Out3Czas" << "42" << "42" << QByteArray(1, 42);
  QTest::newRow("empty SMS limit") << "Edit_LimitSMS" << "" << "0" << QByteArray(1, 0);
  QTest::newRow("empty voice limit") << "Edit_LimitVoice" << "" << "0" << QByteArray(1, 0);
  QTest::newRow("PIN of two digits") << "Edit_pin" << "12" << "7315" << QByteArray("7315");
  QTest::newRow("password of one digit") << "Edit_haslo" << "4" << "7315" << QByteArray("7315");
  QTest::newRow("PIN of four digits stays") << "Edit_pin" << "0123" << "0123" << QByteArray("0123");
}

// The save buttons do not take the focus: the field being edited is corrected as if left.
void TestConfigFiles::focusedFieldLeft() {
  QFETCH(QString, field);
  QFETCH(QString, typed);
  QFETCH(QString, left);
  QFETCH(QByteArray, stored);
  WindowRig rig;
  rig.OpenWindow();
  QApplication::setActiveWindow(rig.window.get());
  QVERIFY(QTest::qWaitForWindowActive(rig.window.get()));
  auto* edit = rig.window->findChild<QLineEdit*>(field);
  QVERIFY(edit);
  edit->setFocus(Qt::MouseFocusReason);
  QTRY_VERIFY(edit->hasFocus());
  edit->selectAll();
  QTest::keyClick(edit, Qt::Key_Backspace);
  QTest::keyClicks(edit, typed);
  QCOMPARE(edit->text(), typed);
  QTemporaryDir folder;
  const QString path = folder.filePath("focus.gcf");
  QCOMPARE(Save(rig, *rig.window, path), QStringList{});
  QCOMPARE(edit->text(), left);
  const std::optional<FileView> view = ViewConfigFile(ReadWhole(path));
  QVERIFY(view);
  const QByteArray item = FileNumberFields.contains(field) ? view->numbers.mid(FileNumberFields.indexOf(field), 1)
                                                           : view->texts.at(FileTextFields.indexOf(field));
  QCOMPARE(item.toHex(' '), stored.toHex(' '));
}

void TestConfigFiles::equalFieldsUnchanged_data() {
  QTest::addColumn<QStringList>("differ");   // how the file's window differs from a fresh one
  QTest::addColumn<QStringList>("changed");  // the edit fields whose text changes
  QTest::addColumn<QStringList>("red");      // the controls that take the edited colour
  QTest::newRow("the same as the window") << QStringList{} << QStringList{} << QStringList{};
  QTest::newRow("two texts and a time")
      << QStringList{"Edit_Tel1=+48111222333", "Edit_IN2A=Alarm", "Out2Czas=7"}
      << QStringList{"Edit_Tel1", "Edit_IN2A", "Out2Czas"} << QStringList{"Edit_Tel1", "Edit_IN2A", "Out2Czas"};
  QTest::newRow("the password is never marked") << QStringList{"Edit_haslo=1111"} << QStringList{"Edit_haslo"}
                                                << QStringList{};
  QTest::newRow("boxes with a click reaction")
      << QStringList{"BoxAutotest=1", "BoxIN4T1=1", "BoxPotw=1"} << QStringList{}
      << QStringList{"BoxAutotest", "BoxIN4T1", "BoxPotw"};
  QTest::newRow("boxes that react to the focus only") << QStringList{"BoxIN1T1=1", "BoxOut1NC=1"} << QStringList{}
                                                      << QStringList{};
}

// Loading a file into a fresh window: what equals the file raises no change and keeps its
// colour; what differs changes, and turns red where a change marks it.
void TestConfigFiles::equalFieldsUnchanged() {
  QFETCH(QStringList, differ);
  QFETCH(QStringList, changed);
  QFETCH(QStringList, red);
  WindowRig rig;
  QTemporaryDir folder;
  const QString path = folder.filePath("same.gcf");
  auto producer = std::make_unique<TMain>(nullptr, rig.ports.Roots());
  SetControls(*producer, differ);
  const QStringList wanted = WindowValues(*producer);
  QCOMPARE(Save(rig, *producer, path), QStringList{});
  producer.reset();

  rig.OpenWindow();
  const QStringList before = WindowColours(*rig.window);
  QList<std::pair<QString, std::shared_ptr<QSignalSpy>>> spies;
  for (QLineEdit* field : rig.window->findChildren<QLineEdit*>())
    if (!field->objectName().isEmpty())
      spies.append({field->objectName(), std::make_shared<QSignalSpy>(field, &QLineEdit::textChanged)});
  QCOMPARE(Load(rig, path), QStringList{Loaded});
  QCOMPARE(WindowValues(*rig.window), wanted);

  QStringList emitted;
  for (const auto& [name, spy] : spies)
    if (!spy->isEmpty()) emitted << name;
  emitted.sort();
  changed.sort();
  QCOMPARE(emitted, changed);
  const QStringList after = WindowColours(*rig.window);
  QStringList recoloured;
  for (int i = 0; i < after.size(); ++i) {
    if (after[i] == before[i]) continue;
    recoloured << after[i].section(' ', 0, 0);
    QCOMPARE(after[i].section(' ', 1), QStringLiteral("red"));
  }
  recoloured.sort();
  red.sort();
  QCOMPARE(recoloured, red);
}

void TestConfigFiles::operatorList_data() {
  QTest::addColumn<QString>("centre");  // the SMS service-centre number in the file
  QTest::addColumn<QString>("entry");   // what the operator list then shows
  QTest::newRow("ORANGE") << "+48501200777" << "ORANGE";
  QTest::newRow("T-MOBILE") << "+48602951111" << "T-MOBILE";
  QTest::newRow("PLUS") << "+48601000310" << "PLUS";
  QTest::newRow("PLAY") << "+48790998250" << "PLAY";
  QTest::newRow("a preset with a digit appended") << "+486010003101" << "inny";
  QTest::newRow("a preset cut short") << "+4860100031" << "inny";
  QTest::newRow("a preset without its plus") << "48601000310" << "inny";
  QTest::newRow("empty") << "" << "inny";
  QTest::newRow("another number") << "+48123456789" << "inny";
}

// The list shows the matching preset; the loaded number stays whatever the list shows.
void TestConfigFiles::operatorList() {
  QFETCH(QString, centre);
  QFETCH(QString, entry);
  WindowRig rig;
  QTemporaryDir folder;
  const QString path = folder.filePath("operator.gcf");
  {
    TMain producer(nullptr, rig.ports.Roots());
    SetControls(producer, {"Edit_operator=" + centre});
    QCOMPARE(Save(rig, producer, path), QStringList{});
  }
  rig.OpenWindow();
  // The list starts elsewhere, so that a load that leaves it alone shows.
  SetControls(*rig.window, {entry == "inny" ? "Combo_operator=PLAY" : "Combo_operator=inny", "Edit_operator=+48000000000"});
  QCOMPARE(Load(rig, path), QStringList{Loaded});
  QCOMPARE(rig.ui().Combo_operator->currentText(), entry);
  QCOMPARE(rig.ui().Edit_operator->text(), centre);
}

void TestConfigFiles::notDuringTransfer_data() {
  QTest::addColumn<QString>("transfer");  // the speed button that starts it
  QTest::addColumn<bool>("saving");       // else loading
  QTest::newRow("loading during a download") << "Icon_get" << false;
  QTest::newRow("saving during a download") << "Icon_get" << true;
  QTest::newRow("saving during an upload") << "Icon_put" << true;
}

// A transfer reads or writes the controls item by item: a file is neither loaded nor saved
// while it runs (nothing asked, nothing written), and is once it has ended.
void TestConfigFiles::notDuringTransfer() {
  QFETCH(QString, transfer);
  QFETCH(bool, saving);
  const bool download = transfer == "Icon_get";
  const quint8 first = download ? Cmd::ReadItem(0) : Cmd::WriteItem(0);
  WindowRig rig({.faults = {QStringLiteral("slow=%1:800").arg(first)}, .stageStepMs = 0});
  START_RIG(rig);
  LOG_IN(rig);
  auto* start = rig.window->findChild<QAbstractButton*>(transfer);
  QVERIFY(start);
  QTRY_VERIFY_WITH_TIMEOUT(start->isEnabled(), 2500);
  QTemporaryDir folder;
  const QString path = folder.filePath("other.gcf");
  if (!saving) {
    TMain producer(nullptr, rig.ports.Roots());
    SetControls(producer, {"Edit_Tel3=+48999888777"});
    QCOMPARE(Save(rig, producer, path), QStringList{});
  }
  int asked = 0;
  rig.window->ChooseOpenFile = [&](const QString&) {
    ++asked;
    return path;
  };
  rig.window->ChooseSaveFile = [&](const QString&, const QString&) {
    ++asked;
    return path;
  };
  QAbstractButton* button = saving ? rig.ui().SpeedButton1 : rig.ui().SpeedButton2;
  QAction* menuItem = saving ? rig.ui().Zapis1 : rig.ui().Odczyt1;
  bool triedDuring = false, runningThen = false;
  QTimer poke;
  poke.setInterval(20);
  QObject::connect(&poke, &QTimer::timeout, [&] {
    if (triedDuring || rig.Requests(first).isEmpty()) return;
    triedDuring = true;
    runningThen = rig.window->OperationRunning();
    QTest::mouseClick(button, Qt::LeftButton);
    menuItem->trigger();
  });
  poke.start();
  rig.Click(start);
  QTRY_VERIFY_WITH_TIMEOUT(!rig.window->OperationRunning() && triedDuring, 15000);
  poke.stop();
  QVERIFY(runningThen);
  QCOMPARE(asked, 0);
  QCOMPARE(rig.boxes.Summaries(), QStringList{});
  QCOMPARE(rig.ui().Edit_Tel3->text(), QString());
  QCOMPARE(QFileInfo::exists(path), !saving);

  rig.Click(button);
  QCOMPARE(asked, 1);
  QCOMPARE(rig.boxes.Summaries(), saving ? QStringList{} : QStringList{Loaded});
  if (saving) QVERIFY(ViewConfigFile(ReadWhole(path)));
  else QCOMPARE(rig.ui().Edit_Tel3->text(), QStringLiteral("+48999888777"));
}
