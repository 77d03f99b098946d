#include "report_number.h"

QString RegisterCode(const QUuid& registerId) {
  static constexpr char Alphabet[] = "0123456789ABCDEFGHJKMNPQRSTVWXYZ";  // 32 symbols, 5 bits each
  const QByteArray bytes = registerId.toRfc4122();
  // The first 15 bits: random in a version 4 UUID.
  const uint bits = (uint(uchar(bytes[0])) << 8 | uchar(bytes[1])) >> 1;
  QString code;
  for (int shift = 10; shift >= 0; shift -= 5) code += QLatin1Char(Alphabet[(bits >> shift) & 31]);
  return code;
}

QString ReportNumber(int year, const QUuid& registerId, int sequence) {
  return QStringLiteral("RAP/%1/%2-%3").arg(year).arg(RegisterCode(registerId)).arg(sequence, 4, 10, QLatin1Char('0'));
}
