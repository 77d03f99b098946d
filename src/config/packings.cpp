#include "packings.h"

namespace {

quint8 FirstByte(QByteArrayView value) { return value.isEmpty() ? 0 : quint8(value.front()); }

}  // namespace

QByteArray PackInputMatrix(const InputMatrix& matrix) {
  QByteArray bytes(InputMatrix::Bytes, '\0');
  for (int n = 0; n < InputMatrix::Bits; ++n)
    if (matrix.bits[size_t(n)]) bytes[n / 8] = char(quint8(bytes[n / 8]) | (0x80 >> (n % 8)));
  return bytes;
}

InputMatrix UnpackInputMatrix(QByteArrayView bytes) {
  InputMatrix matrix;
  for (int n = 0; n < InputMatrix::Bits; ++n) {
    const quint8 byte = n / 8 < bytes.size() ? quint8(bytes[n / 8]) : 0;
    matrix.bits[size_t(n)] = byte & (0x80 >> (n % 8));
  }
  return matrix;
}

quint8 PackOutputFlags(const OutputFlags& flags) {
  quint8 byte = 0;
  for (int i = 0; i < 3; ++i)
    byte |= quint8((flags.nc[size_t(i)] ? 0x20 : 0) >> i) | quint8((flags.mono[size_t(i)] ? 0x04 : 0) >> i);
  return byte;
}

OutputFlags UnpackOutputFlags(quint8 byte) {
  OutputFlags flags;
  for (int i = 0; i < 3; ++i) {
    flags.nc[size_t(i)] = byte & (0x20 >> i);
    flags.mono[size_t(i)] = byte & (0x04 >> i);
  }
  return flags;
}

OutputFlags UnpackOutputFlags(QByteArrayView value) { return UnpackOutputFlags(FirstByte(value)); }

QByteArray PackOutputTimes(const OutputTimes& times) {
  QByteArray bytes;
  for (quint8 seconds : times.seconds) bytes.append(char(seconds));
  return bytes;
}

OutputTimes UnpackOutputTimes(QByteArrayView value) {
  OutputTimes times;
  for (qsizetype i = 0; i < 3 && i < value.size(); ++i) times.seconds[size_t(i)] = quint8(value[i]);
  return times;
}

quint8 PackOptionFlags(const OptionFlags& flags) {
  return quint8((flags.potw ? 0x01 : 0) | (flags.autotest ? 0x02 : 0) | (flags.in1blok ? 0x04 : 0) |
                (flags.out1sygn ? 0x08 : 0));
}

OptionFlags UnpackOptionFlags(quint8 byte) {
  return OptionFlags{bool(byte & 0x01), bool(byte & 0x02), bool(byte & 0x04), bool(byte & 0x08)};
}

OptionFlags UnpackOptionFlags(QByteArrayView value) { return UnpackOptionFlags(FirstByte(value)); }

FileFlagBytes PackFileFlags(const OutputFlags& outputs, const OptionFlags& options) {
  FileFlagBytes bytes;
  bytes.outputs = quint8(PackOutputFlags(outputs) << 1) | (options.potw ? 0x01 : 0);
  bytes.options = quint8(PackOptionFlags(options) >> 1);
  return bytes;
}

void UnpackFileFlags(FileFlagBytes bytes, OutputFlags* outputs, OptionFlags* options) {
  *outputs = UnpackOutputFlags(quint8(bytes.outputs >> 1));
  *options = UnpackOptionFlags(quint8(((bytes.options & 0x07) << 1) | (bytes.outputs & 0x01)));
}
