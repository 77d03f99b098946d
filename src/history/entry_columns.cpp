#include "entry_columns.h"


#include "cp1250.h"
#include "native_name.h"

namespace EntryColumns {

QStringList Titles() {
  return {QStringLiteral("Data i czas"), QStringLiteral("Rodzaj"), QStringLiteral("Port"),
          QStringLiteral("Firmware"), QStringLiteral("Telefon nr. 1"), QStringLiteral("Centrum SMS")};
}

QString KindText(EntryKind kind) {
  switch (kind) {
    case EntryKind::Read: return QStringLiteral("Odczyt");
    case EntryKind::Written: return QStringLiteral("Zapis");
    case EntryKind::BeforeFirmware: return QStringLiteral("Przed aktualizacją");
  }
  return {};
}

QStringList Of(const ListedEntry& entry) {
  const EntryLabel& label = entry.name.label;
  const auto cut = [&entry](QString text, quint8 bit) { return entry.name.cut & bit ? text + u'…' : text; };
  const QString kind = KindText(label.kind);
  return {label.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
          entry.readable ? kind : kind + QStringLiteral(", nieczytelny"),
          cut(NameFromBytes(label.port), EntryName::CutPort),
          cut(label.firmware, EntryName::CutFirmware),
          cut(Cp1250::Decode(label.phone1), EntryName::CutPhone1),
          cut(Cp1250::Decode(label.smsCentre), EntryName::CutSmsCentre)};
}

}  // namespace EntryColumns
