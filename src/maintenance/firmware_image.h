#pragma once
// A firmware file cut into the blocks that the bootloader takes.
//
// The file is the signature "gfr", the image, and one XOR check byte; both checks are the file
// reader's. Only the image is sent, in blocks of 64 bytes, each behind its block number (modulo
// 256); the last block is filled up with 0xFF.
//
//   QString why;
//   const std::optional<FirmwareImage> image = FirmwareImage::FromFile(bytes, &why);
//   for (int n = 0; image && n < image->BlockCount(); ++n)
//     link.SendFrame(Cmd::FirmwareBlock, image->BlockPayload(n));
#include <QByteArray>
#include <QString>
#include <optional>

class FirmwareImage {
 public:
  static constexpr int BlockSize = 64;
  static constexpr int SignatureSize = 3;
  static constexpr int CheckSize = 1;
  static constexpr int MaxFileSize = 8192;  // the file image buffer
  static constexpr char PadByte = char(0xFF);
  static constexpr char RestartPayload[] = "B";  // restart into the bootloader
  static constexpr char EndPayload[] = "K";      // the image is complete

  // The image of a file that passed its signature and check byte tests; nothing, with the
  // reason, when the file holds no image or is larger than the file image buffer.
  static std::optional<FirmwareImage> FromFile(const QByteArray& file, QString* refusal);

  qsizetype FileSize() const { return file.size(); }
  qsizetype ImageLength() const { return file.size() - SignatureSize - CheckSize; }
  int BlockCount() const { return int((ImageLength() + BlockSize - 1) / BlockSize); }

  // Block number n (0 .. BlockCount() - 1): its number byte and 64 bytes; empty for another n.
  QByteArray BlockPayload(int n) const;
  // The request frame that carries block n; empty for an n without a block.
  QByteArray BlockFrame(int n) const;
  // Progress after block n in percent: image bytes sent so far × 100 div the file's size, so
  // it stays below 100 until the transfer has ended.
  int ProgressAfter(int n) const;

 private:
  explicit FirmwareImage(QByteArray file) : file(std::move(file)) {}

  QByteArray file;
};
