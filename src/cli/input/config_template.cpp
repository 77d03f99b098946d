#include "config_template.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <optional>

#include "config_source.h"
#include "item_values.h"
#include "text_file.h"

namespace {

[[noreturn]] void Fail(const QString& where, const QString& why) {
  throw CliError(ExitStatus::Error, where + QStringLiteral(": ") + why);
}

// What the JSON parser found wrong, in the user's language.
QString JsonErrorText(QJsonParseError::ParseError error) {
  switch (error) {
    case QJsonParseError::UnterminatedObject: return QStringLiteral("niezamknięty obiekt (brak '}' albo ',')");
    case QJsonParseError::MissingNameSeparator: return QStringLiteral("brak ':' po kluczu");
    case QJsonParseError::UnterminatedArray: return QStringLiteral("niezamknięta lista (brak ']' albo ',')");
    case QJsonParseError::MissingValueSeparator: return QStringLiteral("brak ',' między wartościami");
    case QJsonParseError::IllegalValue: return QStringLiteral("niedozwolona wartość (tekst musi być w cudzysłowie; bez ',' na końcu)");
    case QJsonParseError::TerminationByNumber:
    case QJsonParseError::IllegalNumber: return QStringLiteral("niepoprawna liczba");
    case QJsonParseError::IllegalEscapeSequence: return QStringLiteral("niedozwolona sekwencja '\\'");
    case QJsonParseError::IllegalUTF8String: return QStringLiteral("tekst nie jest w UTF-8");
    case QJsonParseError::UnterminatedString: return QStringLiteral("niezamknięty cudzysłów");
    case QJsonParseError::MissingObject: return QStringLiteral("oczekiwano klucza w cudzysłowie albo obiektu {...} (zbędny ',' przed '}'?)");
    case QJsonParseError::DeepNesting: return QStringLiteral("za głęboko zagnieżdżone");
    case QJsonParseError::DocumentTooLarge: return QStringLiteral("plik za duży");
    case QJsonParseError::GarbageAtEnd: return QStringLiteral("coś jeszcze po końcu obiektu");
    default: return QStringLiteral("błąd składni JSON");
  }
}

// Line and column of a byte offset, both 1-based.
QString PlaceOf(const QByteArray& data, int offset) {
  const QByteArray before = data.left(offset);
  const qsizetype lineStart = before.lastIndexOf('\n') + 1;
  return QStringLiteral("%1: kolumna %2").arg(before.count('\n') + 1).arg(offset - lineStart + 1);
}

// The offset of the first key given twice in one object, with the key; the parser itself keeps
// the last silently. The text is valid JSON already. Keys are compared decoded: "phon\u00652" is
// "phone2".
std::optional<std::pair<int, QString>> RepeatedKey(const QByteArray& data) {
  QList<QSet<QString>> objects;  // the keys of each open object, innermost last
  for (int i = 0; i < data.size(); ++i) {
    const char c = data[i];
    if (c == '{') objects.append(QSet<QString>());
    else if (c == '}') objects.removeLast();
    else if (c == '"') {
      const int start = i;
      for (++i; data[i] != '"'; ++i)
        if (data[i] == '\\') ++i;
      int next = i + 1;
      while (next < data.size() && QChar(QLatin1Char(data[next])).isSpace()) ++next;
      if (next >= data.size() || data[next] != ':' || objects.isEmpty()) continue;
      const QString key = QJsonDocument::fromJson("[" + data.mid(start, i - start + 1) + "]").array().first().toString();
      if (objects.last().contains(key)) return std::pair{start, key};
      objects.last().insert(key);
    }
  }
  return std::nullopt;
}

ConfigRecord FromJson(const QString& path) {
  const QByteArray data = ReadTextFile(path);
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(data, &error);
  if (error.error != QJsonParseError::NoError)
    Fail(QStringLiteral("%1:%2").arg(path, PlaceOf(data, error.offset)), JsonErrorText(error.error));
  if (!document.isObject()) Fail(path, QStringLiteral("szablon JSON musi być obiektem {\"klucz\": \"wartość\", ...}"));
  if (const auto repeated = RepeatedKey(data))
    Fail(QStringLiteral("%1:%2").arg(path, PlaceOf(data, repeated->first)), QStringLiteral("klucz '%1' podany dwa razy").arg(repeated->second));
  QJsonObject object = document.object();
  if (object.value(QStringLiteral("items")).isObject()) object = object.value(QStringLiteral("items")).toObject();

  ConfigRecord record = ConfigRecord::Default();
  for (auto it = object.constBegin(); it != object.constEnd(); ++it) {
    const int item = Keyed::ItemOfKey(it.key(), path, ExitStatus::Error);
    QString typed;
    if (it.value().isString()) typed = it.value().toString();
    else if (it.value().isDouble()) typed = QString::number(it.value().toDouble());
    else Fail(QStringLiteral("%1: %2").arg(path, it.key()), QStringLiteral("wartość musi być tekstem"));
    record.setValue(item, Keyed::Parse(item, typed, path, ExitStatus::Error));
  }
  return record;
}

}  // namespace

ConfigRecord LoadTemplate(const QString& path) {
  if (path.endsWith(QStringLiteral(".gcf"), Qt::CaseInsensitive)) return LoadConfigFile(path).record;
  return FromJson(path);
}
