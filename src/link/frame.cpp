#include "frame.h"

namespace Frame {

quint8 Checksum(const char* data, qsizetype size) {
  quint8 sum = 0;
  for (qsizetype i = 0; i < size; ++i) sum = quint8(sum + quint8(data[i]));
  return sum;
}

QByteArray Build(char start, quint8 command, const QByteArray& payload) {
  QByteArray frame;
  frame.reserve(payload.size() + Overhead);
  frame.append(start);
  frame.append(char(command));
  frame.append(char(quint8(payload.size())));
  frame.append(payload);
  frame.append(char(Checksum(frame)));
  return frame;
}

}  // namespace Frame
