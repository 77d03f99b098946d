#pragma once
// A configuration item as the report names and shows it: the window's captions for the item and
// its value in the window's words, the PIN hidden unless asked for.
#include <QByteArray>
#include <QString>

namespace ItemWords {

inline constexpr QStringView Hidden = u"****";  // a secret, whatever its length
inline constexpr QStringView Empty = u"—";      // a text left empty
inline constexpr QStringView Ticked = u"✓";
inline constexpr QStringView Clear = u"–";

// "Telefon nr. 1", "IN2, Wejście Wyłączone", "Out1, Zal", "SMS, Voice" ...
QString Caption(int k);
// The value of item k: a text as it reads (Windows-1250 decoded), numbers, the ticked boxes by
// their captions ("brak" for none), the matrix as "IN1: SMS 1 2, Voice 3; IN4: Voice 1".
QString Value(int k, const QByteArray& value, bool revealSecrets);

// A text value as printed: decoded, Empty when empty.
QString Text(const QByteArray& value);
QString Secret(const QByteArray& value, bool reveal);
QString YesNo(bool ticked);
QString Contact(bool normallyClosed);  // "NC" or "NO"
QString Mode(bool monostable);         // "Mono" or "bi"

}  // namespace ItemWords
