#include "config_record.h"

#include "operator_presets.h"

namespace {

constexpr bool TableIsInOrder() {
  for (int k = 0; k < Cmd::ItemCount; ++k) {
    const ConfigItem& item = ConfigItems[size_t(k)];
    if (item.index != k || item.size <= 0) return false;
    if (item.readCommand() != Cmd::ReadItemFirst + 2 * k) return false;
  }
  return ConfigItems.back().writeCommand() == Cmd::WriteItemLast;
}
static_assert(TableIsInOrder(), "the item table must list items 0 to 28 in order");

}  // namespace

const ConfigItem* ConfigItemAt(int k) {
  return k >= 0 && k < Cmd::ItemCount ? &ConfigItems[size_t(k)] : nullptr;
}

const ConfigItem* ConfigItemByKey(QByteArrayView key) {
  for (const ConfigItem& item : ConfigItems)
    if (key == QByteArrayView(item.key)) return &item;
  return nullptr;
}

const ConfigItem* ConfigItemOfCommand(quint8 command) {
  if (!Cmd::IsReadItem(command) && !Cmd::IsWriteItem(command)) return nullptr;
  return ConfigItemAt(Cmd::ItemOfCommand(command));
}

QByteArray TextOfValue(QByteArrayView value) {
  const qsizetype end = value.indexOf('\0');
  return (end < 0 ? value : value.first(end)).toByteArray();
}

ConfigRecord ConfigRecord::Default() {
  ConfigRecord record;
  record.values[ItemIndex::Pin] = DefaultPinText;
  record.values[ItemIndex::SmsCentre] = OperatorPresets::Preset(OperatorPresets::Orange);
  record.values[ItemIndex::InputMatrix] = QByteArray(5, '\0');
  record.values[ItemIndex::OutputFlags] = QByteArray(1, '\0');
  record.values[ItemIndex::OutputTimes] = QByteArray("\x05\x05\x05", 3);
  record.values[ItemIndex::LimitSms] = QByteArray(1, '\0');
  record.values[ItemIndex::LimitVoice] = QByteArray(1, '\0');
  record.values[ItemIndex::Options] = QByteArray(1, '\0');
  record.values[ItemIndex::ConfirmText] = "OK";
  return record;
}
