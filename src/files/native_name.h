#pragma once
// File names are bytes. A name that is not UTF-8 (another encoding, given on the command line)
// keeps each byte that does not decode as one of U+DC80..U+DCFF, which no valid text holds, so
// that the name reaches the system exactly as it was given. Plain text passes as UTF-8.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>

QString NameFromBytes(QByteArrayView bytes);
QByteArray NameBytes(const QString& name);

// The folder part of a name: what comes before its last '/' ("." for none).
QByteArray NameFolder(const QByteArray& name);

// The byte a kept code unit stands for, or -1 for any other unit.
inline int KeptByte(char16_t unit) { return unit >= 0xDC80 && unit <= 0xDCFF ? unit - 0xDC00 : -1; }
