#include "native_name.h"

namespace {

// The length of the valid UTF-8 sequence at bytes[i] and its code point, or 0.
int Sequence(QByteArrayView bytes, qsizetype i, char32_t* point) {
  const auto at = [&](qsizetype k) { return quint8(bytes[k]); };
  const quint8 lead = at(i);
  int length;
  char32_t value;
  if (lead < 0x80) {
    *point = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07;
  } else {
    return 0;
  }
  if (i + length > bytes.size()) return 0;
  for (int k = 1; k < length; ++k) {
    if ((at(i + k) & 0xC0) != 0x80) return 0;
    value = (value << 6) | (at(i + k) & 0x3F);
  }
  // Overlong forms, surrogates and points past the last one are not text.
  static constexpr char32_t Least[] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < Least[length] || (value >= 0xD800 && value <= 0xDFFF) || value > 0x10FFFF) return 0;
  *point = value;
  return length;
}

}  // namespace

QString NameFromBytes(QByteArrayView bytes) {
  QString name;
  name.reserve(bytes.size());
  for (qsizetype i = 0; i < bytes.size();) {
    char32_t point = 0;
    if (const int length = Sequence(bytes, i, &point)) {
      // Built unit by unit: Qt's UCS-4 decoding drops a leading U+FEFF, a byte-order mark to it.
      if (QChar::requiresSurrogates(point)) {
        name += QChar(QChar::highSurrogate(point));
        name += QChar(QChar::lowSurrogate(point));
      } else {
        name += QChar(char16_t(point));
      }
      i += length;
    } else {
      name += QChar(char16_t(0xDC00 + quint8(bytes[i])));
      ++i;
    }
  }
  return name;
}

QByteArray NameFolder(const QByteArray& name) {
  const qsizetype slash = name.lastIndexOf('/');
  return slash < 0 ? QByteArray(".") : slash == 0 ? QByteArray("/") : name.left(slash);
}

QByteArray NameBytes(const QString& name) {
  QByteArray bytes;
  bytes.reserve(name.size());
  for (qsizetype i = 0; i < name.size(); ++i) {
    const char16_t unit = name[i].unicode();
    const bool pair = QChar::isHighSurrogate(unit) && i + 1 < name.size() && name[i + 1].isLowSurrogate();
    if (const int kept = KeptByte(unit); kept >= 0) {
      bytes += char(kept);
    } else {
      bytes += QStringView(name).mid(i, pair ? 2 : 1).toUtf8();
      if (pair) ++i;
    }
  }
  return bytes;
}
