#include "cp1250.h"

#include <QHash>
#include <QStringDecoder>
#include <QStringEncoder>
#include <array>

namespace Cp1250 {
namespace {

// The codec's character for each byte and the way back, taken once from Qt's codec so that
// conversions need no converter object (which holds state and is not thread-safe).
struct Table {
  bool available = false;
  std::array<char16_t, 256> characters{};
  QHash<char16_t, char> bytes;

  Table() {
    QStringDecoder decoder("windows-1250", QStringConverter::Flag::Stateless);
    QStringEncoder encoder("windows-1250", QStringConverter::Flag::Stateless);
    available = decoder.isValid() && encoder.isValid();
    for (int byte = 0; byte < 256; ++byte) {
      const QByteArray one(1, char(byte));
      QString decoded;
      if (available) decoded = decoder.decode(one);
      char16_t character = u'\uFFFD';
      if (byte < 0x80)
        character = char16_t(byte);  // the ASCII half, when there is no codec
      if (available && decoded.size() == 1 && !decoder.hasError() && decoded[0] != QChar::ReplacementCharacter)
        character = decoded[0].unicode();
      else if (available && byte >= 0x80 && byte < 0xA0)
        character = char16_t(byte);  // an undefined byte: its C1 control character
      characters[size_t(byte)] = character;
    }
    for (int byte = 0; byte < 256; ++byte) {
      const char16_t character = characters[size_t(byte)];
      if (character != u'\uFFFD' && !bytes.contains(character)) bytes.insert(character, char(byte));
    }
  }
};

const Table& TheTable() {
  static const Table table;
  return table;
}

}  // namespace

bool Available() { return TheTable().available; }

QString Decode(QByteArrayView bytes) {
  const Table& table = TheTable();
  QString text(bytes.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (char byte : bytes) *out++ = QChar(table.characters[quint8(byte)]);
  return text;
}

std::optional<QByteArray> Encode(QStringView text) {
  const Table& table = TheTable();
  QByteArray bytes(text.size(), Qt::Uninitialized);
  char* out = bytes.data();
  for (QChar c : text) {
    const auto found = table.bytes.constFind(c.unicode());
    if (found == table.bytes.cend()) return std::nullopt;
    *out++ = found.value();
  }
  return bytes;
}

bool Representable(QChar c) { return TheTable().bytes.contains(c.unicode()); }

bool Representable(QStringView text) {
  for (QChar c : text)
    if (!Representable(c)) return false;
  return true;
}

}  // namespace Cp1250
