#include "firmware_image.h"

#include <algorithm>

#include "commands.h"
#include "frame.h"

std::optional<FirmwareImage> FirmwareImage::FromFile(const QByteArray& file, QString* refusal) {
  if (file.size() <= SignatureSize + CheckSize) {
    *refusal = QStringLiteral("Plik firmware nie zawiera obrazu: ma mniej niż %1 bajtów.")
                   .arg(SignatureSize + CheckSize + 1);
    return std::nullopt;
  }
  if (file.size() > MaxFileSize) {
    *refusal = QStringLiteral("Plik firmware jest za duży: może mieć najwyżej %1 bajty.").arg(MaxFileSize);
    return std::nullopt;
  }
  return FirmwareImage(file);
}

QByteArray FirmwareImage::BlockPayload(int n) const {
  if (n < 0 || n >= BlockCount()) return {};
  const qsizetype start = qsizetype(n) * BlockSize;
  QByteArray payload(1, char(quint8(n)));
  payload += file.mid(SignatureSize + start, std::min<qsizetype>(BlockSize, ImageLength() - start));
  payload.append(1 + BlockSize - payload.size(), PadByte);
  return payload;
}

QByteArray FirmwareImage::BlockFrame(int n) const {
  const QByteArray payload = BlockPayload(n);
  return payload.isEmpty() ? QByteArray() : Frame::Request(Cmd::FirmwareBlock, payload);
}

int FirmwareImage::ProgressAfter(int n) const {
  const qsizetype taken = std::clamp<qsizetype>((qsizetype(n) + 1) * BlockSize, 0, ImageLength());
  return int(taken * 100 / FileSize());
}
