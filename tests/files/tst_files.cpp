// Configuration files byte for byte, the shared file reader on real files, FIFOs and folders, and
// the writer that never loses the file it replaces.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <future>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include "atomic_write.h"
#include "config_file.h"
#include "file_check.h"
#include "native_name.h"
#include "system_error.h"
#include "packings.h"

Q_DECLARE_METATYPE(FileCheck::ReadFault)
Q_DECLARE_METATYPE(ConfigFile)

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }

QByteArray WithChecksum(QByteArray body) {
  body.append(char(XorChecksum(body)));
  return body;
}

// All 23 texts empty, no box ticked, times 5, 5, 5, limits 0, confirmation text "OK".
ConfigFile EmptyFile() {
  ConfigFile file;
  file.record = ConfigRecord::Default();
  file.record.setValue(ItemIndex::Pin, {});
  file.record.setValue(ItemIndex::SmsCentre, {});
  return file;
}

const QByteArray EmptyFileBytes = Hex(
    "67 63 66"
    "00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00"
    "05 00 00 00 00 00"
    "05 05 05 00 00"
    "00"
    "02 4F 4B"
    "00"
    "64");

// Every text at the window's limit, Polish letters included, every box ticked.
ConfigFile FullFile() {
  ConfigFile file;
  file.password = "9876";
  for (const ConfigItem& item : AllConfigItems())
    if (item.isText()) file.record.setValue(item.index, QByteArray(item.size, char('A' + item.index)));
  file.record.setValue(ItemIndex::In1OnText + 2, Hex("B9 E6 EA B3 F1 F3 9C 9F BF A5 C6 CA A3 D1 D3 8C 8F AF")
                                                     + QByteArray(12, '.'));
  file.record.setValue(ItemIndex::InputMatrix, Hex("FF FF FF FF FF"));
  file.record.setValue(ItemIndex::OutputFlags, Hex("3F"));
  file.record.setValue(ItemIndex::OutputTimes, Hex("01 0A 63"));
  file.record.setValue(ItemIndex::LimitSms, Hex("63"));
  file.record.setValue(ItemIndex::LimitVoice, Hex("07"));
  file.record.setValue(ItemIndex::Options, Hex("0F"));
  return file;
}

void WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray ReadBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<unreadable>");
}

mode_t ModeOf(const QString& path) {
  struct stat info {};
  return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

}  // namespace

class TstFiles : public QObject {
  Q_OBJECT

 private slots:
  void emptyFile();
  void fullFile();
  void flagBytes();
  void textsEndAtTheirNul();
  void signatureTest();
  void everyFlippedBitFails();
  void refused_data();
  void refused();
  void looseLayouts_data();
  void looseLayouts();
  void reader_data();
  void reader();
  void readerOnFifo();
  void readerOnDevice();
  void writeNew();
  void writeReplaces();
  void writeFailures();
  void writeFailureMidway();
  void writeStream_data();
  void writeStream();
  void nameBytes_data();
  void nameBytes();
};

void TstFiles::emptyFile() {
  const QByteArray bytes = EncodeConfigFile(EmptyFile());
  QCOMPARE(bytes.size(), 43);
  QCOMPARE(bytes.toHex(' '), EmptyFileBytes.toHex(' '));
  QCOMPARE(XorChecksum(bytes), quint8(0));
  QString reason = "stale";
  QCOMPARE(DecodeConfigFile(bytes, &reason), std::optional<ConfigFile>(EmptyFile()));
  QVERIFY(reason.isEmpty());
}

void TstFiles::fullFile() {
  const QByteArray bytes = EncodeConfigFile(FullFile());
  QCOMPARE(bytes.size(), 453);  // the largest file the window writes
  QCOMPARE(XorChecksum(bytes), quint8(0));
  QCOMPARE(bytes.mid(3, 5), QByteArray("\x04" "9876"));
  // The file's text order: IN1 to IN5 off, IN1 to IN5 on, Out1 to Out3 on, Out1 to Out3 off.
  const qsizetype wordsAt = 3 + 5 + 5 + 5 * 14 + 10 * 31;
  QCOMPARE(bytes.mid(wordsAt, 30), QByteArray("\x04QQQQ\x04RRRR\x04UUUU\x04SSSS\x04TTTT\x04VVVV"));
  QCOMPARE(DecodeConfigFile(bytes), std::optional<ConfigFile>(FullFile()));
}

void TstFiles::flagBytes() {
  ConfigFile file = EmptyFile();
  file.record.setValue(ItemIndex::OutputFlags, Hex("3F"));
  file.record.setValue(ItemIndex::Options, Hex("01"));
  QByteArray bytes = EncodeConfigFile(file);
  QCOMPARE(quint8(bytes[37]), quint8(0x7F));
  QCOMPARE(quint8(bytes[41]), quint8(0x00));

  file = EmptyFile();
  file.record.setValue(ItemIndex::Options, Hex("0E"));
  bytes = EncodeConfigFile(file);
  QCOMPARE(quint8(bytes[37]), quint8(0x00));
  QCOMPARE(quint8(bytes[41]), quint8(0x07));

  // Bits that no box owns are dropped on loading.
  bytes[37] = char(0xFF);
  bytes[41] = char(0xFF);
  const std::optional<ConfigFile> loaded = DecodeConfigFile(WithChecksum(bytes.chopped(1)));
  QVERIFY(loaded);
  QCOMPARE(loaded->record.value(ItemIndex::OutputFlags), Hex("3F"));
  QCOMPARE(loaded->record.value(ItemIndex::Options), Hex("0F"));
}

void TstFiles::textsEndAtTheirNul() {
  // A service-centre number as read from the controller is stored as the window would show it,
  // so that loading it picks its operator again.
  ConfigFile file = EmptyFile();
  file.record.setValue(ItemIndex::SmsCentre, QByteArray("+48501200777\0", 13));
  const std::optional<ConfigFile> loaded = DecodeConfigFile(EncodeConfigFile(file));
  QVERIFY(loaded);
  QCOMPARE(loaded->record.value(ItemIndex::SmsCentre), QByteArray("+48501200777"));
}

void TstFiles::signatureTest() {
  FileCheck::Result result = FileCheck::Check(EmptyFileBytes, "gcf");
  QVERIFY(result.good());
  QCOMPARE(result.bytes, EmptyFileBytes);

  QByteArray upper = EmptyFileBytes;
  upper.replace(0, 3, "GCF");
  result = FileCheck::Check(WithChecksum(upper.chopped(1)), "gcf");
  QVERIFY(!result.signatureOk);
  QVERIFY(result.checksumOk);

  result = FileCheck::Check(EmptyFileBytes, "gfr");
  QVERIFY(!result.signatureOk);
  QVERIFY(result.checksumOk);

  result = FileCheck::Check(upper, "gcf");  // both fail, and both are tested
  QVERIFY(!result.signatureOk);
  QVERIFY(!result.checksumOk);

  QVERIFY(!FileCheck::Check("gcf", "gcf").checksumOk);
  QVERIFY(FileCheck::Check(WithChecksum("gfr"), "gfr").good());
  QVERIFY(!FileCheck::Check({}, "gcf").signatureOk);
}

void TstFiles::everyFlippedBitFails() {
  for (const QByteArray& good : {EmptyFileBytes, EncodeConfigFile(FullFile())})
    for (qsizetype bit = 0; bit < good.size() * 8; ++bit) {
      QByteArray bad = good;
      bad[bit / 8] = char(bad[bit / 8] ^ (1 << (bit % 8)));
      if (FileCheck::Check(bad, "gcf").checksumOk) QFAIL(qPrintable(QStringLiteral("bit %1 passes").arg(bit)));
    }
}

void TstFiles::refused_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("reasonHas");
  const QByteArray body = EmptyFileBytes.chopped(1);
  QTest::newRow("empty") << QByteArray() << "mniej niż";
  QTest::newRow("signature only") << QByteArray("gcf") << "mniej niż";
  QTest::newRow("signature and checksum") << WithChecksum("gcf") << "poza koniec";
  QTest::newRow("cut short") << WithChecksum(body.left(40)) << "poza koniec";
  QTest::newRow("password runs past the end") << WithChecksum(QByteArray(body).replace(3, 1, "\xFF")) << "poza koniec";
  QTest::newRow("option byte past the end") << WithChecksum(QByteArray(body).replace(38, 1, "\x04")) << "poza koniec";
  QByteArray large = EncodeConfigFile(FullFile());
  large.append(QByteArray(8193 - large.size(), 'x'));
  QTest::newRow("8193 bytes") << large << "więcej niż";
}

void TstFiles::refused() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, reasonHas);
  QString reason;
  // A detached copy, so that AddressSanitizer sees any read past the data.
  const std::unique_ptr<char[]> copy(new char[size_t(bytes.size()) + 1]);
  std::copy(bytes.cbegin(), bytes.cend(), copy.get());
  QCOMPARE(DecodeConfigFile(QByteArrayView(copy.get(), bytes.size()), &reason), std::nullopt);
  QVERIFY2(reason.contains(reasonHas), qPrintable(reason));
}

void TstFiles::looseLayouts_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<ConfigFile>("expected");
  const QByteArray body = EmptyFileBytes.chopped(1);
  ConfigFile full = EmptyFile();
  full.record.setValue(ItemIndex::InputMatrix, Hex("FF FF FF FF FF"));
  const QByteArray fullBody = EncodeConfigFile(full).chopped(1);
  const auto with = [](ConfigFile file, int k, const QByteArray& value) {
    file.record.setValue(k, value);
    return file;
  };
  QTest::newRow("bytes between the option byte and the checksum")
      << WithChecksum(body + Hex("00 AB CD")) << EmptyFile();
  // The text takes in the option byte; the checksum byte (0x65) is then read as the option byte.
  QTest::newRow("confirmation text one longer: the checksum byte is the option byte")
      << WithChecksum(QByteArray(body).replace(38, 1, "\x03"))
      << with(with(EmptyFile(), ItemIndex::ConfirmText, QByteArray("OK\0", 3)), ItemIndex::Options, Hex("0A"));
  QTest::newRow("matrix of 4 bytes: the fifth is 0") << WithChecksum(QByteArray(fullBody).replace(26, 2, "\x04"))
                                                    << with(full, ItemIndex::InputMatrix, Hex("FF FF FF FF 00"));
  QTest::newRow("matrix of 6 bytes: the sixth is passed over")
      << WithChecksum(QByteArray(fullBody).replace(26, 1, "\x06").insert(32, '\x5A')) << full;
  QTest::newRow("matrix of no bytes") << WithChecksum(QByteArray(fullBody).replace(26, 6, QByteArray(1, '\0')))
                                      << EmptyFile();
}

// Files that velt does not write but that load, as the items are walked.
void TstFiles::looseLayouts() {
  QFETCH(QByteArray, bytes);
  QFETCH(ConfigFile, expected);
  QVERIFY(FileCheck::Check(bytes, "gcf").good());
  QString reason;
  QCOMPARE(DecodeConfigFile(bytes, &reason), std::optional<ConfigFile>(expected));
  QVERIFY2(reason.isEmpty(), qPrintable(reason));
}

void TstFiles::reader_data() {
  QTest::addColumn<QByteArray>("bytes");  // null: no such file
  QTest::addColumn<QByteArray>("signature");
  QTest::addColumn<FileCheck::ReadFault>("fault");
  QTest::addColumn<bool>("signatureOk");
  QTest::addColumn<bool>("checksumOk");
  using F = FileCheck::ReadFault;
  QByteArray badChecksum = EmptyFileBytes;
  badChecksum[20] = 'x';
  QByteArray firmware = WithChecksum("gfr" + QByteArray(8188, '\x5A'));
  QTest::newRow("good") << EmptyFileBytes << QByteArray("gcf") << F::None << true << true;
  QTest::newRow("bad checksum") << badChecksum << QByteArray("gcf") << F::None << true << false;
  QTest::newRow("firmware of 8192 bytes") << firmware << QByteArray("gfr") << F::None << true << true;
  QTest::newRow("empty") << QByteArray("") << QByteArray("gcf") << F::None << false << false;
  QTest::newRow("9000 bytes") << WithChecksum("gcf" + QByteArray(8996, '\0')) << QByteArray("gcf") << F::TooLarge
                              << false << false;
  QTest::newRow("8193 bytes") << WithChecksum(firmware) << QByteArray("gfr") << F::TooLarge << false << false;
  QTest::newRow("missing") << QByteArray() << QByteArray("gcf") << F::Open << false << false;
}

void TstFiles::reader() {
  QFETCH(QByteArray, bytes);
  QFETCH(QByteArray, signature);
  QFETCH(FileCheck::ReadFault, fault);
  QFETCH(bool, signatureOk);
  QFETCH(bool, checksumOk);
  QTemporaryDir dir;
  const QString path = dir.filePath("plik konfiguracji.gcf");
  if (!bytes.isNull()) WriteBytes(path, bytes);
  const FileCheck::Result result = FileCheck::ReadAndCheck(path, signature);
  QCOMPARE(result.fault, fault);
  QCOMPARE(result.signatureOk, signatureOk);
  QCOMPARE(result.checksumOk, checksumOk);
  if (fault == FileCheck::ReadFault::None) {
    QCOMPARE(result.bytes, bytes);
    QVERIFY(result.error.isEmpty());
  } else {
    QVERIFY(result.bytes.isEmpty());
    QVERIFY2(result.error.contains(path), qPrintable(result.error));
  }
  if (fault == FileCheck::ReadFault::Open) QVERIFY2(result.error.contains(SystemErrorText(ENOENT)), qPrintable(result.error));
}

void TstFiles::readerOnFifo() {
  QTemporaryDir dir;
  const QString fifo = dir.filePath("fifo.gcf");
  QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  auto reading = std::async(std::launch::async, [&] { return FileCheck::ReadAndCheck(fifo, "gcf"); });
  if (reading.wait_for(std::chrono::seconds(5)) != std::future_status::ready) {
    const int writer = ::open(QFile::encodeName(fifo).constData(), O_WRONLY | O_NONBLOCK);  // let it go
    reading.wait();
    ::close(writer);
    QFAIL("the reader blocked on a FIFO");
  }
  const FileCheck::Result result = reading.get();
  QCOMPARE(result.fault, FileCheck::ReadFault::NotRegular);
  QVERIFY2(result.error.contains("FIFO") && result.error.contains(fifo), qPrintable(result.error));

  const FileCheck::Result folder = FileCheck::ReadAndCheck(dir.path(), "gcf");
  QCOMPARE(folder.fault, FileCheck::ReadFault::NotRegular);
  QVERIFY2(folder.error.contains("folder"), qPrintable(folder.error));
}

void TstFiles::readerOnDevice() {
  for (const char* device : {"/dev/zero", "/dev/full", "/dev/tty"}) {
    struct stat info {};
    if (::stat(device, &info) != 0 || !S_ISCHR(info.st_mode)) continue;
    const FileCheck::Result result = FileCheck::ReadAndCheck(device, "gcf");
    QCOMPARE(result.fault, FileCheck::ReadFault::NotRegular);
    QVERIFY2(result.error.contains("urządzenie"), qPrintable(result.error));
  }
}

void TstFiles::writeNew() {
  QTemporaryDir dir;
  const QString path = dir.filePath("nowy.gcf");
  const mode_t mask = ::umask(0);  // the file must not be readable by others whatever the umask
  QString error = "stale";
  const bool written = WriteFileAtomically(path, EmptyFileBytes, &error);
  ::umask(mask);
  QVERIFY2(written, qPrintable(error));
  QVERIFY(error.isEmpty());
  QCOMPARE(ReadBytes(path), EmptyFileBytes);
  QCOMPARE(ModeOf(path), mode_t(0600));
  QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
           QStringList{"nowy.gcf"});
}

void TstFiles::writeReplaces() {
  QTemporaryDir dir;
  const QString path = dir.filePath("stary.gcf");
  WriteBytes(path, "old content, longer than the new one................................");
  QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
  QString error;
  QVERIFY2(WriteFileAtomically(path, EmptyFileBytes, &error), qPrintable(error));
  QCOMPARE(ReadBytes(path), EmptyFileBytes);
  QCOMPARE(ModeOf(path), mode_t(0600));

  // Through a link, the linked file is replaced and the link stays.
  const QString link = dir.filePath("link.gcf");
  QVERIFY(QFile::link(path, link));
  QVERIFY2(WriteFileAtomically(link, "new", &error), qPrintable(error));
  QVERIFY(QFileInfo(link).isSymLink());
  QCOMPARE(ReadBytes(path), QByteArray("new"));
  QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).size(), 2);
}

void TstFiles::writeFailures() {
  QTemporaryDir dir;
  // The target is a folder: it cannot be replaced and stays as it is.
  const QString folder = dir.filePath("folder.gcf");
  QVERIFY(QDir(dir.path()).mkdir("folder.gcf"));
  WriteBytes(folder + "/inside", "kept");
  QString error;
  QVERIFY(!WriteFileAtomically(folder, EmptyFileBytes, &error));
  QVERIFY2(error.contains(folder) && error.contains("folder"), qPrintable(error));
  QCOMPARE(ReadBytes(folder + "/inside"), QByteArray("kept"));
  QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
           QStringList{"folder.gcf"});

  // A FIFO (or a device) is never replaced by a plain file.
  const QString fifo = dir.filePath("fifo.gcf");
  QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
  QVERIFY(!WriteFileAtomically(fifo, EmptyFileBytes, &error));
  QVERIFY2(error.contains(fifo) && error.contains("to nie jest zwykły plik"), qPrintable(error));
  struct stat info {};
  QVERIFY(::stat(QFile::encodeName(fifo).constData(), &info) == 0 && S_ISFIFO(info.st_mode));
  QVERIFY(QFile::remove(fifo));

  // No such folder.
  const QString nowhere = dir.filePath("missing/plik.gcf");
  QVERIFY(!WriteFileAtomically(nowhere, EmptyFileBytes, &error));
  QVERIFY2(error.contains(nowhere) && error.contains(SystemErrorText(ENOENT)), qPrintable(error));

  // A folder the user may not write to (permissions do not bind root).
  if (::geteuid() == 0) return;
  const QString locked = dir.filePath("locked");
  QVERIFY(QDir(dir.path()).mkdir("locked"));
  const QString path = locked + "/stary.gcf";
  WriteBytes(path, "old");
  QVERIFY(QFile::setPermissions(locked, QFile::ReadOwner | QFile::ExeOwner));
  const bool written = WriteFileAtomically(path, EmptyFileBytes, &error);
  QFile::setPermissions(locked, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
  QVERIFY(!written);
  QVERIFY2(error.contains(path), qPrintable(error));
  QCOMPARE(ReadBytes(path), QByteArray("old"));
}

void TstFiles::writeFailureMidway() {
  // A file size limit makes the write fail halfway, for root too; the old file survives whole.
  QTemporaryDir dir;
  const QString path = dir.filePath("stary.gcf");
  WriteBytes(path, EmptyFileBytes);
  const QByteArray bigger = EncodeConfigFile(FullFile());

  rlimit saved {};
  QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
  const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = saved;
  small.rlim_cur = 100;
  QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
  QString error;
  const bool written = WriteFileAtomically(path, bigger, &error);
  ::setrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, oldHandler);

  QVERIFY(!written);
  QVERIFY2(error.contains(path) && error.contains(SystemErrorText(EFBIG)), qPrintable(error));
  QCOMPARE(ReadBytes(path), EmptyFileBytes);
  QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
           QStringList{"stary.gcf"});
}

// A device or a FIFO given as output is written into, not replaced; a FIFO nobody reads is
// refused at once.
void TstFiles::writeStream_data() {
  QTest::addColumn<QString>("target");  // "FIFO": one in a folder of its own, "FILE": a regular file there
  QTest::addColumn<bool>("reader");     // someone reads the FIFO
  QTest::addColumn<int>("error");       // 0: written
  QTest::newRow("null device") << "/dev/null" << false << 0;
  QTest::newRow("full device") << "/dev/full" << false << ENOSPC;
  QTest::newRow("FIFO with a reader") << "FIFO" << true << 0;
  QTest::newRow("FIFO nobody reads") << "FIFO" << false << ENXIO;
  QTest::newRow("regular file") << "FILE" << false << 0;
}

void TstFiles::writeStream() {
  QFETCH(QString, target);
  QFETCH(bool, reader);
  QFETCH(int, error);
  QTemporaryDir dir;
  int readEnd = -1;
  if (target == u"FIFO") {
    target = dir.filePath("fifo");
    QCOMPARE(::mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    if (reader) QVERIFY((readEnd = ::open(QFile::encodeName(target).constData(), O_RDONLY | O_NONBLOCK)) >= 0);
  } else if (target == u"FILE") {
    target = dir.filePath("stary.gcf");
    WriteBytes(target, "old");
  }
  struct stat before {};
  QCOMPARE(::stat(QFile::encodeName(target).constData(), &before), 0);
  QString message;
  const bool written = WriteFileOrStream(target, EmptyFileBytes, &message);
  const int code = errno;
  QVERIFY2(written == (error == 0), qPrintable(message));
  if (!written) {
    QCOMPARE(code, error);
    QVERIFY2(message.contains(target), qPrintable(message));
  }
  QByteArray got(EmptyFileBytes.size() + 1, '\0');
  if (readEnd >= 0) {
    got.resize(::read(readEnd, got.data(), size_t(got.size())));
    ::close(readEnd);
    QCOMPARE(got, EmptyFileBytes);
  }
  // A regular file is replaced by a new one; a device or a FIFO stays itself.
  struct stat after {};
  QCOMPARE(::stat(QFile::encodeName(target).constData(), &after), 0);
  QCOMPARE(after.st_ino == before.st_ino, !S_ISREG(before.st_mode));
  if (S_ISREG(before.st_mode)) QCOMPARE(ReadBytes(target), EmptyFileBytes);
}

QTEST_GUILESS_MAIN(TstFiles)
// A name in any bytes comes back as the same bytes; a UTF-8 name is plain text.
void TstFiles::nameBytes_data() {
  QTest::addColumn<QByteArray>("bytes");
  QTest::addColumn<QString>("text");  // null: some bytes are kept as they are
  QTest::newRow("UTF-8") << QByteArray("/tmp/plik żółw 🙂.gcf") << QStringLiteral("/tmp/plik żółw 🙂.gcf");
  QTest::newRow("Latin-2 byte") << QByteArray("bad\xb1name") << QString();
  QTest::newRow("overlong slash") << QByteArray("a\xc0\xaf" "b") << QString();
  QTest::newRow("encoded surrogate") << QByteArray("\xed\xb3\xbf") << QString();
  QTest::newRow("cut sequence at the end") << QByteArray("ok\xe2\x82") << QString();
  QTest::newRow("past the last code point") << QByteArray("\xf4\x90\x80\x80") << QString();
  QTest::newRow("kept byte after an emoji") << QByteArray("\xf0\x9f\x99\x82\xff") << QString();
  QTest::newRow("byte-order mark first") << QByteArray("\xef\xbb\xbf" "a.gcf") << QStringLiteral("\uFEFFa.gcf");
  QTest::newRow("byte-order mark alone") << QByteArray("\xef\xbb\xbf") << QStringLiteral("\uFEFF");
  QTest::newRow("byte-order mark after a kept byte") << QByteArray("\xff\xef\xbb\xbf") << QString();
  QTest::newRow("two byte-order marks") << QByteArray("\xef\xbb\xbf\xef\xbb\xbf") << QStringLiteral("\uFEFF\uFEFF");
}

void TstFiles::nameBytes() {
  QFETCH(QByteArray, bytes);
  QFETCH(QString, text);
  const QString name = NameFromBytes(bytes);
  QCOMPARE(NameBytes(name), bytes);
  if (!text.isNull()) QCOMPARE(name, text);
  else QVERIFY(name.toUtf8() != bytes);  // Qt's own decoding would lose them
}

#include "tst_files.moc"
