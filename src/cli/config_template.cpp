#include "config_template.h"

#include <QJsonDocument>
#include <QJsonObject>

#include "config_source.h"
#include "item_values.h"
#include "text_file.h"

namespace {

[[noreturn]] void Fail(const QString& where, const QString& why) {
  throw CliError(ExitStatus::Error, where + QStringLiteral(": ") + why);
}

// Line and column of a byte offset, both 1-based.
QString PlaceOf(const QByteArray& data, int offset) {
  const QByteArray before = data.left(offset);
  const qsizetype lineStart = before.lastIndexOf('\n') + 1;
  return QStringLiteral("%1: kolumna %2").arg(before.count('\n') + 1).arg(offset - lineStart + 1);
}

ConfigRecord FromJson(const QString& path) {
  const QByteArray data = ReadTextFile(path);
  QJsonParseError error;
  const QJsonDocument document = QJsonDocument::fromJson(data, &error);
  if (error.error != QJsonParseError::NoError)
    Fail(QStringLiteral("%1:%2").arg(path, PlaceOf(data, error.offset)), error.errorString());
  if (!document.isObject()) Fail(path, QStringLiteral("szablon JSON musi być obiektem {\"klucz\": \"wartość\", ...}"));
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
