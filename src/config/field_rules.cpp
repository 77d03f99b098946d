#include "field_rules.h"

#include <QList>
#include <QRegularExpression>
#include <QStringList>
#include <limits>

#include "cp1250.h"
#include "packings.h"
#include "polish_plural.h"

namespace FieldRules {
namespace {

bool IsDigit(QChar c) { return c >= u'0' && c <= u'9'; }

QString KeyOf(const ConfigItem& item) { return QString::fromLatin1(item.key); }

QString CodePoint(QChar c) {
  return QStringLiteral("U+%1").arg(QString::number(c.unicode(), 16).toUpper().rightJustified(4, u'0'));
}

QString Show(QChar c) { return QStringLiteral("'%1' (%2)").arg(c, CodePoint(c)); }

// One or two digits and nothing else.
std::optional<int> SmallNumber(QStringView text) {
  if (text.isEmpty() || text.size() > NumberDigits) return std::nullopt;
  for (QChar c : text)
    if (!IsDigit(c)) return std::nullopt;
  return text.toInt();
}

QStringList MatrixBoxNames() {
  QStringList names;
  for (int n = 0; n < InputMatrix::Bits; ++n) {
    const int m = n % 20;
    names.append(QStringLiteral("IN%1%2%3").arg(m / 4 + 1).arg(QChar(n < 20 ? u'T' : u'S')).arg(m % 4 + 1));
  }
  return names;
}

const QStringList& OutputBoxNames() {
  static const QStringList names{QStringLiteral("Out1NC"),   QStringLiteral("Out2NC"),
                                 QStringLiteral("Out3NC"),   QStringLiteral("Out1Mono"),
                                 QStringLiteral("Out2Mono"), QStringLiteral("Out3Mono")};
  return names;
}

const QStringList& OptionBoxNames() {
  static const QStringList names{QStringLiteral("Potw"), QStringLiteral("Autotest"),
                                 QStringLiteral("IN1blok"), QStringLiteral("Out1sygn")};
  return names;
}


// The ticked boxes of a list of names, in any letter case, separated by blanks or commas.
std::optional<QList<bool>> ParseBoxes(const ConfigItem& item, const QString& typed,
                                      const QStringList& names, QString* error) {
  static const QRegularExpression separators(QStringLiteral("[\\s,]+"));
  const QStringList tokens = typed.split(separators, Qt::SkipEmptyParts);
  QList<bool> ticked(names.size(), false);
  if (tokens.size() == 1 && tokens[0].compare(NoBoxes, Qt::CaseInsensitive) == 0) return ticked;
  for (const QString& token : tokens) {
    qsizetype found = -1;
    for (qsizetype i = 0; i < names.size() && found < 0; ++i)
      if (token.compare(names[i], Qt::CaseInsensitive) == 0) found = i;
    if (found < 0) {
      *error = QStringLiteral("%1: nieznane pole \"%2\" (pola: %3 albo \"none\")")
                   .arg(KeyOf(item), token,
                        names.size() > 8 ? QStringLiteral("IN1T1 do IN5T4, IN1S1 do IN5S4")
                                         : names.join(u' '));
      return std::nullopt;
    }
    if (ticked[found]) {
      *error = QStringLiteral("%1: pole \"%2\" podane dwa razy").arg(KeyOf(item), names[found]);
      return std::nullopt;
    }
    ticked[found] = true;
  }
  return ticked;
}

QString FormatBoxes(const QStringList& names, const QList<bool>& ticked) {
  QStringList on;
  for (qsizetype i = 0; i < names.size(); ++i)
    if (ticked[i]) on.append(names[i]);
  return on.isEmpty() ? NoBoxes.toString() : on.join(u' ');
}

std::optional<QByteArray> ParseText(const ConfigItem& item, const QString& typed, QString* error) {
  for (QChar c : typed) {
    if (c.category() == QChar::Other_Control) {
      *error = QStringLiteral("%1: znak sterujący %2 jest niedozwolony").arg(KeyOf(item), CodePoint(c));
      return std::nullopt;
    }
    if (!Accepts(item.keys, c)) {
      static const char* const what[] = {"tylko cyfry", "tylko \"+\" i cyfry", "bez spacji", "", ""};
      *error = QStringLiteral("%1: znak %2 jest niedozwolony (%3)")
                   .arg(KeyOf(item), Show(c), QLatin1String(what[int(item.keys)]));
      return std::nullopt;
    }
  }
  const std::optional<QByteArray> bytes = Cp1250::Encode(typed);
  if (!bytes) {
    for (qsizetype i = 0; i < typed.size(); ++i) {
      if (Cp1250::Representable(typed[i])) continue;
      QString shown = Show(typed[i]);
      if (typed[i].isHighSurrogate() && i + 1 < typed.size() && typed[i + 1].isLowSurrogate()) {
        const char32_t point = QChar::surrogateToUcs4(typed[i], typed[i + 1]);
        shown = QStringLiteral("'%1' (U+%2)").arg(typed.mid(i, 2), QString::number(point, 16).toUpper());
      }
      *error = QStringLiteral("%1: znaku %2 nie ma w Windows-1250").arg(KeyOf(item), shown);
      break;
    }
    return std::nullopt;
  }
  if (bytes->size() > item.size) {
    *error = QStringLiteral("%1: najwyżej %2, a jest %3").arg(KeyOf(item), Counted(item.size, "znak", "znaki", "znaków")).arg(bytes->size());
    return std::nullopt;
  }
  if (item.index == ItemIndex::Pin && bytes->size() < PasswordLength) {
    *error = QStringLiteral("%1: potrzebne 4 cyfry").arg(KeyOf(item));
    return std::nullopt;
  }
  return bytes;
}

std::optional<QByteArray> ParseLimit(const ConfigItem& item, const QString& typed, QString* error) {
  const std::optional<int> number = SmallNumber(typed);
  if (!number) {
    *error = QStringLiteral("%1: potrzebna liczba od 0 do 99, a nie \"%2\"").arg(KeyOf(item), typed);
    return std::nullopt;
  }
  return QByteArray(1, char(*number));
}

std::optional<QByteArray> ParseTimes(const ConfigItem& item, const QString& typed, QString* error) {
  const QStringList parts = typed.split(u',');
  if (parts.size() != 3) {
    *error = QStringLiteral("%1: potrzebne trzy czasy, np. \"5,10,99\", a nie \"%2\"").arg(KeyOf(item), typed);
    return std::nullopt;
  }
  OutputTimes times;
  for (int i = 0; i < 3; ++i) {
    const std::optional<int> seconds = SmallNumber(parts[i].trimmed());
    if (!seconds || *seconds < 1) {
      *error = QStringLiteral("%1: czas Out%2 to od 1 do 99 sekund, a nie \"%3\"")
                   .arg(KeyOf(item)).arg(i + 1).arg(parts[i].trimmed());
      return std::nullopt;
    }
    times.seconds[size_t(i)] = quint8(*seconds);
  }
  return PackOutputTimes(times);
}

}  // namespace

bool Accepts(KeySet set, QChar c) {
  const bool editing = c == u'\r' || c == u'\b';
  switch (set) {
    case KeySet::Digits: return editing || IsDigit(c);
    case KeySet::Telephone: return editing || IsDigit(c) || c == u'+';
    case KeySet::NoSpace: return c != u' ';
    case KeySet::Any: return true;
    case KeySet::None: return false;
  }
  return false;
}

QString LeavePassword(const QString& text) {
  return text.size() < PasswordLength ? QString::fromLatin1(DefaultPinText) : text;
}

QString LeaveLimit(const QString& text) { return text.isEmpty() ? QStringLiteral("0") : text; }

std::optional<QString> LeaveTime(const QString& text) {
  const QString kept = text.isEmpty() ? QStringLiteral("1") : text;
  const std::optional<int> value = ToInteger(kept);
  if (!value) return std::nullopt;
  return *value == 0 ? QStringLiteral("1") : kept;
}

std::optional<int> ToInteger(QStringView text) {
  text = text.trimmed();
  bool negative = false;
  if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
    negative = text.front() == u'-';
    text = text.sliced(1);
  }
  if (text.isEmpty()) return std::nullopt;
  qint64 value = 0;
  for (QChar c : text) {
    if (!IsDigit(c)) return std::nullopt;
    value = value * 10 + (c.unicode() - u'0');
    if (value > qint64(std::numeric_limits<int>::max()) + 1) return std::nullopt;
  }
  if (negative) value = -value;
  if (value > std::numeric_limits<int>::max() || value < std::numeric_limits<int>::min()) return std::nullopt;
  return int(value);
}

std::optional<QByteArray> ParseItemValue(const ConfigItem& item, const QString& typed, QString* error) {
  QString ignored;
  if (!error) error = &ignored;
  error->clear();
  if (item.isText()) return ParseText(item, typed, error);
  switch (item.index) {
    case ItemIndex::InputMatrix: {
      const std::optional<QList<bool>> boxes = ParseBoxes(item, typed, MatrixBoxNames(), error);
      if (!boxes) return std::nullopt;
      InputMatrix matrix;
      for (int n = 0; n < InputMatrix::Bits; ++n) matrix.bits[size_t(n)] = (*boxes)[n];
      return PackInputMatrix(matrix);
    }
    case ItemIndex::OutputFlags: {
      const std::optional<QList<bool>> boxes = ParseBoxes(item, typed, OutputBoxNames(), error);
      if (!boxes) return std::nullopt;
      OutputFlags flags;
      for (int i = 0; i < 3; ++i) {
        flags.nc[size_t(i)] = (*boxes)[i];
        flags.mono[size_t(i)] = (*boxes)[3 + i];
      }
      return QByteArray(1, char(PackOutputFlags(flags)));
    }
    case ItemIndex::Options: {
      const std::optional<QList<bool>> boxes = ParseBoxes(item, typed, OptionBoxNames(), error);
      if (!boxes) return std::nullopt;
      const OptionFlags flags{(*boxes)[0], (*boxes)[1], (*boxes)[2], (*boxes)[3]};
      return QByteArray(1, char(PackOptionFlags(flags)));
    }
    case ItemIndex::OutputTimes: return ParseTimes(item, typed, error);
    case ItemIndex::LimitSms:
    case ItemIndex::LimitVoice: return ParseLimit(item, typed, error);
  }
  *error = QStringLiteral("%1: brak postaci tekstowej").arg(KeyOf(item));
  return std::nullopt;
}

QString BrokenOptionRule(const QByteArray& options, const FirmwareAllows& firmware) {
  const OptionFlags flags = UnpackOptionFlags(QByteArrayView(options));
  const QString key = KeyOf(ConfigItems[ItemIndex::Options]);
  const auto tooOld = [&](const QString& box, const QString& caption) {
    return QStringLiteral("%1: %2 (\"%3\") jest niedostępne w firmware sterownika %4")
        .arg(key, box, caption, firmware.caption);
  };
  if (flags.autotest && !firmware.autotest) return tooOld(QStringLiteral("Autotest"), QStringLiteral("IN5 auto test 24h"));
  if (flags.in1blok && !firmware.miniPanel) return tooOld(QStringLiteral("IN1blok"), QStringLiteral("tryb mini CA"));
  if (flags.out1sygn && !flags.in1blok)
    return QStringLiteral("%1: Out1sygn (\"Out1 - sygn.\") działa tylko razem z IN1blok (\"tryb mini CA\")").arg(key);
  return QString();
}

QString FormatItemValue(const ConfigItem& item, const QByteArray& value) {
  if (item.isText()) return Cp1250::Decode(TextOfValue(value));
  switch (item.index) {
    case ItemIndex::InputMatrix: {
      const InputMatrix matrix = UnpackInputMatrix(value);
      return FormatBoxes(MatrixBoxNames(), QList<bool>(matrix.bits.begin(), matrix.bits.end()));
    }
    case ItemIndex::OutputFlags: {
      const OutputFlags flags = UnpackOutputFlags(QByteArrayView(value));
      return FormatBoxes(OutputBoxNames(), {flags.nc[0], flags.nc[1], flags.nc[2], flags.mono[0],
                                            flags.mono[1], flags.mono[2]});
    }
    case ItemIndex::Options: {
      const OptionFlags flags = UnpackOptionFlags(QByteArrayView(value));
      return FormatBoxes(OptionBoxNames(), {flags.potw, flags.autotest, flags.in1blok, flags.out1sygn});
    }
    case ItemIndex::OutputTimes: {
      const OutputTimes times = UnpackOutputTimes(value);
      return QStringLiteral("%1,%2,%3").arg(times.seconds[0]).arg(times.seconds[1]).arg(times.seconds[2]);
    }
    case ItemIndex::LimitSms:
    case ItemIndex::LimitVoice: return QString::number(value.isEmpty() ? 0 : quint8(value.front()));
  }
  return QString();
}

}  // namespace FieldRules
