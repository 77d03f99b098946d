#pragma once
// An entry of the configuration history as both front ends list it: the columns and their texts.
#include <QString>
#include <QStringList>

#include "history_store.h"

namespace EntryColumns {

enum Column { Time, Kind, Port, Firmware, Phone1, SmsCentre, Count };

// "Data i czas", "Rodzaj", "Port", "Firmware", "Telefon nr. 1", "Centrum SMS"
QStringList Titles();
// "Odczyt", "Zapis", "Przed aktualizacją"
QString KindText(EntryKind kind);
// The texts of the columns; a field cut to fit the name ends in "…", and a damaged file says
// "nieczytelny" beside its kind.
QStringList Of(const ListedEntry& entry);

}  // namespace EntryColumns
