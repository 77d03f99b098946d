#pragma once
// Texts travel on the link and in files as Windows-1250 bytes, one byte a character. The mapping
// comes from Qt's codec (ICU); each of the 256 bytes has exactly one character, the five bytes
// that Windows-1250 leaves undefined (0x81, 0x83, 0x88, 0x90, 0x98) standing for the C1 control
// characters of the same value, so any byte string survives Decode then Encode unchanged.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>
#include <optional>

namespace Cp1250 {

// False when this Qt has no Windows-1250 codec: every non-ASCII byte then decodes to U+FFFD and
// only ASCII encodes.
bool Available();

QString Decode(QByteArrayView bytes);
// Nullopt when a character has no Windows-1250 byte; nothing is ever replaced.
std::optional<QByteArray> Encode(QStringView text);

bool Representable(QChar c);
bool Representable(QStringView text);

}  // namespace Cp1250
