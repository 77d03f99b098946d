// write --dry-run, set --dry-run: the items read from the controller and compared with what a
// write would send. No write request goes out.
//
// The comparison is of bytes, not of what the window shows: a write replaces flag bits that no
// box owns and whatever follows a text's NUL, so those count as changes too. NUL bytes after a
// value are the controller's filler (item 1 always answers with one) and count as nothing.
#include "command_line.h"
#include "command_table.h"
#include "console.h"
#include "item_values.h"
#include "native_name.h"
#include "packings.h"
#include "session.h"

namespace {

QByteArray WithoutNulFill(QByteArray bytes) {
  while (bytes.endsWith('\0')) bytes.chop(1);
  return bytes;
}

// What the window does not show of a value, told; empty when nothing.
QString Unshown(int item, const QByteArray& value) {
  QStringList parts;
  if (item == ItemIndex::OutputFlags || item == ItemIndex::Options) {
    const quint8 byte = value.isEmpty() ? 0 : quint8(value.front());
    const quint8 owned = item == ItemIndex::OutputFlags ? PackOutputFlags(UnpackOutputFlags(byte))
                                                        : PackOptionFlags(UnpackOptionFlags(byte));
    if (const quint8 unowned = byte & ~owned)
      parts.append(QStringLiteral("bity bez pola 0x%1").arg(QString::fromLatin1(QByteArray(1, char(unowned)).toHex().toUpper())));
  }
  const ConfigItem& config = ConfigItems[size_t(item)];
  const qsizetype end = config.isText() ? value.indexOf('\0') : config.size;
  if (const QByteArray after = end < 0 ? QByteArray() : WithoutNulFill(value.mid(end)); !after.isEmpty())
    parts.append(QStringLiteral("po wartości bajty %1").arg(QString::fromLatin1(after.toHex(' ').toUpper())));
  return parts.join(QStringLiteral(", "));
}

struct Change {
  Keyed::Difference shown;
  QString deviceUnshown, writeUnshown;
};

// Every item whose bytes the write would change, in item order.
QList<Change> Changes(const ItemValues& device, const ItemValues& sent) {
  QList<Change> changes;
  for (auto it = sent.cbegin(); it != sent.cend(); ++it) {
    const int k = it.key();
    const QByteArray held = device.value(k);
    if (WithoutNulFill(held) == WithoutNulFill(it.value())) continue;
    const ConfigItem& config = ConfigItems[size_t(k)];
    changes.append({{k, FieldRules::FormatItemValue(config, held), FieldRules::FormatItemValue(config, it.value())},
                    Unshown(k, held), Unshown(k, it.value())});
  }
  return changes;
}

QString Line(const Change& change) {
  QString line = QStringLiteral("  ") + Keyed::DifferenceLine(change.shown, QStringLiteral("sterownik"), QStringLiteral("zapis"));
  if (!change.deviceUnshown.isEmpty()) line += QStringLiteral("; sterownik ma też: ") + change.deviceUnshown;
  if (!change.writeUnshown.isEmpty()) line += QStringLiteral("; zapis ma też: ") + change.writeUnshown;
  return line;
}

QJsonArray Json(const QList<Change>& changes) {
  QList<Keyed::Difference> shown;
  for (const Change& change : changes) shown.append(change.shown);
  QJsonArray array = Keyed::DifferencesJson(shown, QStringLiteral("device"), QStringLiteral("write"));
  for (qsizetype i = 0; i < changes.size(); ++i) {
    QJsonObject entry = array[i].toObject();
    if (!changes[i].deviceUnshown.isEmpty()) entry.insert(QStringLiteral("device_unshown"), changes[i].deviceUnshown);
    if (!changes[i].writeUnshown.isEmpty()) entry.insert(QStringLiteral("write_unshown"), changes[i].writeUnshown);
    array[i] = entry;
  }
  return array;
}

}  // namespace

ExitStatus RunDryRun(Context& context, const ItemValues& values, bool typed, const QJsonObject& head) {
  if (context.options.verify)
    throw CliError(ExitStatus::Usage, QStringLiteral("--dry-run nie zapisuje, więc nie łączy się z --verify"));
  return VisitController(context, [&](Session& session) {
    if (typed) Keyed::CheckOptionRules(values, session.FirmwareAllows(), ExitStatus::Usage);
    const QList<Change> changes = Changes(ItemTransfer::Read(session, values.keys(), context.console), values);
    Console& console = context.console;
    if (console.Json()) {
      QJsonObject result = head;
      result.insert(QStringLiteral("port"), NameFromBytes(session.path()));
      result.insert(QStringLiteral("firmware"), session.FirmwareCaption());
      result.insert(QStringLiteral("same"), changes.isEmpty());
      result.insert(QStringLiteral("changes"), Json(changes));
      console.Result(result);
    } else if (changes.isEmpty()) {
      console.Result(QStringLiteral("Zapis niczego nie zmieni"));
    } else {
      console.Result(QStringLiteral("Zapis zmieni pozycji: %1").arg(changes.size()));
      for (const Change& change : changes) console.Result(Line(change));
    }
    return changes.isEmpty() ? ExitStatus::Done : ExitStatus::Differences;
  });
}
