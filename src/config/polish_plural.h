#pragma once
// A count with its noun in the Polish form that the number takes: 1 pole, 2 pola, 5 pól, 22 pola.
#include <QString>

inline QString Counted(int n, const char* one, const char* few, const char* many) {
  const int tens = n % 100, units = n % 10;
  const char* noun = n == 1 ? one : (units >= 2 && units <= 4 && (tens < 12 || tens > 14)) ? few : many;
  return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf8(noun));
}
