#include "state_file.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <cctype>

namespace {

constexpr char FormatName[] = "velt-sim state 1";

bool FromHex(const QJsonValue& value, QByteArray* bytes) {
  if (!value.isString()) return false;
  const QByteArray hex = value.toString().toLatin1();
  if (hex.size() % 2 != 0) return false;
  for (char c : hex)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  *bytes = QByteArray::fromHex(hex);
  return true;
}

bool Counter(const QJsonValue& value, quint8* counter) {
  const double n = value.toDouble(-1);
  if (!value.isDouble() || n < 0 || n > 255 || n != int(n)) return false;
  *counter = quint8(n);
  return true;
}

}  // namespace

bool LoadState(const QString& path, ControllerState* state, QString* error) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = file.errorString();
    return false;
  }
  QJsonParseError parseError;
  const QJsonDocument doc = QJsonDocument::fromJson(file.readAll(), &parseError);
  if (doc.isNull()) {
    *error = QStringLiteral("not valid JSON (%1 at byte %2)")
                 .arg(parseError.errorString())
                 .arg(parseError.offset);
    return false;
  }
  const QJsonObject root = doc.object();
  if (root.value("format").toString() != FormatName) {
    *error = QStringLiteral("not a state file of this simulator (no \"format\": \"%1\")").arg(FormatName);
    return false;
  }
  ControllerState loaded;
  if (!FromHex(root.value("password"), &loaded.password)) {
    *error = QStringLiteral("\"password\" is not a hexadecimal byte string");
    return false;
  }
  const QJsonArray items = root.value("items").toArray();
  if (items.size() != Cmd::ItemCount) {
    *error = QStringLiteral("\"items\" must hold %1 hexadecimal byte strings").arg(Cmd::ItemCount);
    return false;
  }
  for (int k = 0; k < Cmd::ItemCount; ++k) {
    QByteArray value;
    if (!FromHex(items[k], &value)) {
      *error = QStringLiteral("item %1 is not a hexadecimal byte string").arg(k);
      return false;
    }
    loaded.items[k] = StoredItemValue(k, value);
  }
  if (!Counter(root.value("sms"), &loaded.smsToday) || !Counter(root.value("voice"), &loaded.voiceToday)) {
    *error = QStringLiteral("\"sms\" and \"voice\" must be counts from 0 to 255");
    return false;
  }
  *state = loaded;
  return true;
}

bool SaveState(const QString& path, const ControllerState& state, QString* error) {
  QJsonArray items;
  for (const QByteArray& value : state.items) items.append(QString::fromLatin1(value.toHex()));
  const QJsonObject root{
      {"format", FormatName},
      {"password", QString::fromLatin1(state.password.toHex())},
      {"items", items},
      {"sms", state.smsToday},
      {"voice", state.voiceToday},
  };
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0 || !file.commit()) {
    *error = file.errorString();
    return false;
  }
  return true;
}
