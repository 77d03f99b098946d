// A firmware file cut into bootloader blocks, byte for byte.
#include <QtTest>

#include "commands.h"
#include "firmware_image.h"
#include "frame.h"

namespace {

QByteArray Hex(const char* text) { return QByteArray::fromHex(QByteArray(text)); }

// A firmware file around the image: signature, image, XOR of all bytes before it.
QByteArray FileOf(const QByteArray& image) {
  QByteArray file = "gfr" + image;
  char check = 0;
  for (char c : file) check ^= c;
  return file + check;
}

// Image bytes 0, 1, 2, ... wrapping at 256.
QByteArray Counting(int length) {
  QByteArray image(length, '\0');
  for (int i = 0; i < length; ++i) image[i] = char(i);
  return image;
}

std::optional<FirmwareImage> ImageOf(const QByteArray& image) {
  QString why;
  return FirmwareImage::FromFile(FileOf(image), &why);
}

}  // namespace

class TestFirmwareImage : public QObject {
  Q_OBJECT

 private slots:
  void blockFrames_data();
  void blockFrames();
  void blocksCarryTheWholeImageOnly_data();
  void blocksCarryTheWholeImageOnly();
  void noBlockOutsideTheImage();
  void progress_data();
  void progress();
  void refused_data();
  void refused();
  void restartAndEndFrames_data();
  void restartAndEndFrames();
};

void TestFirmwareImage::blockFrames_data() {
  QTest::addColumn<QByteArray>("image");
  QTest::addColumn<int>("block");
  QTest::addColumn<QByteArray>("frame");
  QByteArray block0 = Hex("47 65 41 00") + Counting(64) + Hex("CD");
  QTest::newRow("block 0 of 00 .. 3F") << Counting(64) << 0 << block0;
  QTest::newRow("block 0 when one byte follows") << Counting(64) + Hex("AA") << 0 << block0;
  QTest::newRow("block 1 holds that byte, padded")
      << Counting(64) + Hex("AA") << 1 << Hex("47 65 41 01 AA") + QByteArray(63, char(0xFF)) + Hex("59");
  QTest::newRow("a one-byte image") << Hex("AA") << 0 << Hex("47 65 41 00 AA") + QByteArray(63, char(0xFF)) + Hex("58");
}

void TestFirmwareImage::blockFrames() {
  QFETCH(QByteArray, image);
  QFETCH(int, block);
  QFETCH(QByteArray, frame);
  const std::optional<FirmwareImage> firmware = ImageOf(image);
  QVERIFY(firmware);
  QCOMPARE(firmware->BlockFrame(block), frame);
  QCOMPARE(firmware->BlockPayload(block), frame.mid(3, 65));
}

void TestFirmwareImage::blocksCarryTheWholeImageOnly_data() {
  QTest::addColumn<int>("length");
  QTest::addColumn<int>("blocks");
  QTest::newRow("1 byte") << 1 << 1;
  QTest::newRow("63 bytes") << 63 << 1;
  QTest::newRow("64 bytes, no padded block") << 64 << 1;
  QTest::newRow("65 bytes") << 65 << 2;
  QTest::newRow("128 bytes, exactly two blocks") << 128 << 2;
  QTest::newRow("129 bytes") << 129 << 3;
  QTest::newRow("8188 bytes, the largest") << 8188 << 128;
}

// Joined, the blocks' data is the image and the padding: no signature, no check byte, nothing
// twice; the block numbers count from 0.
void TestFirmwareImage::blocksCarryTheWholeImageOnly() {
  QFETCH(int, length);
  QFETCH(int, blocks);
  // Signature and check bytes would stand out among these.
  QByteArray image(length, '\0');
  for (int i = 0; i < length; ++i) image[i] = char(0x80 + i % 0x70);
  const std::optional<FirmwareImage> firmware = ImageOf(image);
  QVERIFY(firmware);
  QCOMPARE(firmware->ImageLength(), qsizetype(length));
  QCOMPARE(firmware->FileSize(), qsizetype(length + 4));
  QCOMPARE(firmware->BlockCount(), blocks);
  QByteArray joined;
  for (int n = 0; n < blocks; ++n) {
    const QByteArray payload = firmware->BlockPayload(n);
    QCOMPARE(payload.size(), 65);
    QCOMPARE(quint8(payload[0]), quint8(n));
    joined += payload.mid(1);
  }
  QCOMPARE(joined, image + QByteArray(blocks * 64 - length, char(0xFF)));
}

void TestFirmwareImage::noBlockOutsideTheImage() {
  const std::optional<FirmwareImage> firmware = ImageOf(Counting(65));
  QVERIFY(firmware);
  for (int n : {-1, 2, 256}) {
    QVERIFY(firmware->BlockPayload(n).isEmpty());
    QVERIFY(firmware->BlockFrame(n).isEmpty());
  }
}

void TestFirmwareImage::progress_data() {
  QTest::addColumn<int>("length");
  QTest::addColumn<int>("block");
  QTest::addColumn<int>("percent");
  // The file is four bytes longer than the image.
  QTest::newRow("65-byte image, block 0") << 65 << 0 << 64 * 100 / 69;
  QTest::newRow("65-byte image, last block") << 65 << 1 << 65 * 100 / 69;
  QTest::newRow("128-byte image, last block") << 128 << 1 << 128 * 100 / 132;
  QTest::newRow("largest image, block 0: below 1") << 8188 << 0 << 0;
  QTest::newRow("largest image, half of it") << 8188 << 63 << 50;
  QTest::newRow("largest image, last block: never 100") << 8188 << 127 << 99;
}

void TestFirmwareImage::progress() {
  QFETCH(int, length);
  QFETCH(int, block);
  QFETCH(int, percent);
  const std::optional<FirmwareImage> firmware = ImageOf(Counting(length));
  QVERIFY(firmware);
  QCOMPARE(firmware->ProgressAfter(block), percent);
}

void TestFirmwareImage::refused_data() {
  QTest::addColumn<QByteArray>("file");
  QTest::addColumn<QString>("reason");
  QTest::newRow("nothing") << QByteArray() << "nie zawiera obrazu";
  QTest::newRow("signature alone") << QByteArray("gfr") << "nie zawiera obrazu";
  QTest::newRow("signature and check byte, no image") << FileOf({}) << "nie zawiera obrazu";
  QTest::newRow("one byte over the buffer") << FileOf(Counting(8189)) << "za duży";
  QTest::newRow("far over the buffer") << FileOf(Counting(70000)) << "za duży";
}

void TestFirmwareImage::refused() {
  QFETCH(QByteArray, file);
  QFETCH(QString, reason);
  QString why;
  QVERIFY(!FirmwareImage::FromFile(file, &why));
  QVERIFY2(why.contains(reason), qPrintable(why));
}

void TestFirmwareImage::restartAndEndFrames_data() {
  QTest::addColumn<quint8>("command");
  QTest::addColumn<QByteArray>("payload");
  QTest::addColumn<QByteArray>("frame");
  QTest::newRow("restart") << Cmd::Restart << QByteArray(FirmwareImage::RestartPayload) << Hex("47 64 01 42 EE");
  QTest::newRow("end") << Cmd::FirmwareEnd << QByteArray(FirmwareImage::EndPayload) << Hex("47 66 01 4B F9");
}

void TestFirmwareImage::restartAndEndFrames() {
  QFETCH(quint8, command);
  QFETCH(QByteArray, payload);
  QFETCH(QByteArray, frame);
  QCOMPARE(Frame::Request(command, payload), frame);
}

QTEST_GUILESS_MAIN(TestFirmwareImage)
#include "tst_firmware_image.moc"
