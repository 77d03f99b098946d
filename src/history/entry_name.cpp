#include "entry_name.h"

#include <QStringList>

namespace {

constexpr QStringView Prefix = u"velt";
constexpr QStringView Suffix = u".gcf";
constexpr QChar Separator = u'_';
constexpr QChar CutMark = u'~';
constexpr qint64 UnixEpochJulianDay = 2440588;
constexpr qint64 MsPerDay = 86'400'000;
constexpr int TimeLength = 24;  // 20250314-101530.123+0100
constexpr int MostOffsetMinutes = 14 * 60;

// How a field is written. limit: the longest it may be once escaped, its cut mark included; with
// the fixed parts and a copy number of four digits the name stays within the 255 bytes a file
// name may have. text: UTF-8, cut between characters only.
struct FieldForm {
  int limit;
  bool text;
  // The shortest a cut field is, its mark included: the writer cuts only what does not fit, which
  // is one escape (%XX) of a byte, or up to four of a character.
  int ShortestCut() const { return limit - (text ? 11 : 2); }
};
constexpr FieldForm PortForm{100, false};
constexpr FieldForm FirmwareForm{24, true};
constexpr FieldForm NumberForm{40, false};

bool Plain(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '+' || c == '-' ||
         c == '.';
}

bool Continuation(char c) { return (quint8(c) & 0xC0) == 0x80; }

QString Escaped(const QByteArray& bytes, FieldForm form, bool markCut = false) {
  static constexpr char Hex[] = "0123456789ABCDEF";
  QString field;
  qsizetype character = 0;  // where the character being written began
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    const char c = bytes[i];
    // Before the last byte one place stays free for the cut mark.
    const qsizetype room = form.limit - field.size() - (i + 1 < bytes.size() ? 1 : 0);
    if ((Plain(c) ? 1 : 3) > room) {
      if (form.text && Continuation(c)) field.truncate(character);
      return field + CutMark;
    }
    if (!Continuation(c)) character = field.size();
    if (Plain(c)) {
      field += QLatin1Char(c);
    } else {
      field += u'%';
      field += QLatin1Char(Hex[quint8(c) >> 4]);
      field += QLatin1Char(Hex[quint8(c) & 0xF]);
    }
  }
  return markCut ? field + CutMark : field;
}

int HexValue(QChar c) {
  const char16_t u = c.unicode();
  if (u >= '0' && u <= '9') return u - '0';
  if (u >= 'A' && u <= 'F') return u - 'A' + 10;
  return -1;
}

// The bytes of a field, or nullopt when EntryFileName cannot have written it.
std::optional<QByteArray> Unescaped(QStringView field, FieldForm form, quint8 cutBit, quint8* cut) {
  if (field.size() > form.limit) return std::nullopt;
  if (field.endsWith(CutMark)) {
    if (field.size() < form.ShortestCut()) return std::nullopt;
    *cut |= cutBit;
    field.chop(1);
  }
  QByteArray bytes;
  bytes.reserve(field.size());
  for (qsizetype i = 0; i < field.size(); ++i) {
    const QChar c = field[i];
    if (c == u'%') {
      if (i + 2 >= field.size()) return std::nullopt;
      const int high = HexValue(field[i + 1]), low = HexValue(field[i + 2]);
      if (high < 0 || low < 0 || Plain(char(high * 16 + low))) return std::nullopt;
      bytes += char(high * 16 + low);
      i += 2;
    } else if (c.unicode() < 0x80 && Plain(char(c.unicode()))) {
      bytes += char(c.unicode());
    } else {
      return std::nullopt;
    }
  }
  // Text is whole characters of UTF-8, written as a string writes them.
  if (form.text && QString::fromUtf8(bytes).toUtf8() != bytes) return std::nullopt;
  return bytes;
}

QString TimeText(const QDateTime& time) {
  const QDate d = time.date();
  const QTime t = time.time();
  const int offset = time.offsetFromUtc() / 60;
  return QString::asprintf("%04d%02d%02d-%02d%02d%02d.%03d%c%02d%02d", d.year(), d.month(), d.day(), t.hour(),
                           t.minute(), t.second(), t.msec(), offset < 0 ? '-' : '+', qAbs(offset) / 60,
                           qAbs(offset) % 60);
}

// Digits at [from, from + count) as a number, or -1.
int Digits(QStringView text, int from, int count) {
  int value = 0;
  for (int i = from; i < from + count; ++i) {
    const char16_t u = text[i].unicode();
    if (u < '0' || u > '9') return -1;
    value = value * 10 + (u - '0');
  }
  return value;
}

bool ParseTime(QStringView text, EntryName* name) {
  if (text.size() != TimeLength || text[8] != u'-' || text[15] != u'.' || (text[19] != u'+' && text[19] != u'-'))
    return false;
  const int year = Digits(text, 0, 4), month = Digits(text, 4, 2), day = Digits(text, 6, 2);
  const int hour = Digits(text, 9, 2), minute = Digits(text, 11, 2), second = Digits(text, 13, 2);
  const int ms = Digits(text, 16, 3), offsetHours = Digits(text, 20, 2), offsetMinutes = Digits(text, 22, 2);
  const bool west = text[19] == u'-';
  const int offset = offsetHours * 60 + offsetMinutes;
  // Digits gives -1 for anything else, which no check below lets pass; UTC is written "+0000".
  if (year < 1 || !QDate::isValid(year, month, day) || !QTime::isValid(hour, minute, second, ms) ||
      offsetHours < 0 || offsetMinutes < 0 || offsetMinutes > 59 || offset > MostOffsetMinutes || (west && offset == 0))
    return false;
  const int offsetSeconds = (west ? -60 : 60) * offset;
  const QDate date(year, month, day);
  const QTime time(hour, minute, second, ms);
  name->msSinceEpoch = (date.toJulianDay() - UnixEpochJulianDay) * MsPerDay + time.msecsSinceStartOfDay() -
                       qint64(offsetSeconds) * 1000;
  name->label.time = QDateTime(date, time, Qt::OffsetFromUTC, offsetSeconds);
  return true;
}

QString FileName(const EntryLabel& label, quint8 cut, int copy) {
  QStringList fields{Prefix.toString(), TimeText(label.time), QString(QChar(char16_t(label.kind))),
                     Escaped(label.port, PortForm, cut & EntryName::CutPort),
                     Escaped(label.firmware.toUtf8(), FirmwareForm, cut & EntryName::CutFirmware),
                     Escaped(label.phone1, NumberForm, cut & EntryName::CutPhone1),
                     Escaped(label.smsCentre, NumberForm, cut & EntryName::CutSmsCentre)};
  if (copy > 1) fields.append(QString::number(copy));
  return fields.join(Separator) + Suffix.toString();
}

}  // namespace

QString EntryFileName(const EntryLabel& label, int copy) { return FileName(label, 0, copy); }

QString EntryFileName(const EntryName& name) { return FileName(name.label, name.cut, name.copy); }

std::optional<EntryName> ParseEntryFileName(QStringView name) {
  if (!name.endsWith(Suffix)) return std::nullopt;
  name.chop(Suffix.size());
  const QList<QStringView> fields = name.split(Separator);
  if ((fields.size() != 7 && fields.size() != 8) || fields[0] != Prefix || fields[2].size() != 1) return std::nullopt;
  EntryName entry;
  const char16_t kind = fields[2][0].unicode();
  if (kind != u'R' && kind != u'W' && kind != u'F') return std::nullopt;
  entry.label.kind = EntryKind(char(kind));
  if (!ParseTime(fields[1], &entry)) return std::nullopt;
  const std::optional<QByteArray> port = Unescaped(fields[3], PortForm, EntryName::CutPort, &entry.cut);
  const std::optional<QByteArray> firmware = Unescaped(fields[4], FirmwareForm, EntryName::CutFirmware, &entry.cut);
  const std::optional<QByteArray> phone1 = Unescaped(fields[5], NumberForm, EntryName::CutPhone1, &entry.cut);
  const std::optional<QByteArray> smsCentre = Unescaped(fields[6], NumberForm, EntryName::CutSmsCentre, &entry.cut);
  if (!port || !firmware || !phone1 || !smsCentre) return std::nullopt;
  entry.label.port = *port;
  entry.label.firmware = QString::fromUtf8(*firmware);
  entry.label.phone1 = *phone1;
  entry.label.smsCentre = *smsCentre;
  if (fields.size() == 8) {
    // 2 to 9999, written as EntryFileName writes a number.
    const qsizetype digits = fields[7].size();
    entry.copy = digits >= 1 && digits <= 4 && fields[7][0] != u'0' ? Digits(fields[7], 0, int(digits)) : -1;
    if (entry.copy < 2) return std::nullopt;
  }
  return entry;
}
