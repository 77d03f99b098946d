#include "operator_presets.h"

namespace OperatorPresets {

QByteArray Caption(int entry) {
  return entry >= 0 && entry < EntryCount ? QByteArray(Entries[size_t(entry)].caption) : QByteArray();
}

QByteArray Preset(int entry) {
  return entry >= 0 && entry < EntryCount ? QByteArray(Entries[size_t(entry)].number) : QByteArray();
}

int EntryOfFileText(QByteArrayView text) {
  for (int entry = 0; entry < Other; ++entry)
    if (text == QByteArrayView(Entries[size_t(entry)].number)) return entry;
  return Other;
}

int EntryOfReply(QByteArrayView payload) {
  if (payload.isEmpty() || payload.back() != '\0') return Other;
  return EntryOfFileText(payload.chopped(1));
}

}  // namespace OperatorPresets
