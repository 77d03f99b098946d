#pragma once
// Entries of the history as velt-cli prints them, for `history` and the configurations of
// `site show`: a JSON object each, and a table with a number a row.
#include <QJsonObject>
#include <QList>
#include <QStringList>

#include "register_history.h"

namespace HistoryJson {

// "register" when the listing is the register's, "folder" when it is the folder's.
QString PlaceKey(const HistoryListing& listing);
// number: its number in the listing.
QJsonObject Entry(const HistoryListing& listing, const HistoryRow& row, qsizetype number);
// The aligned lines, the titles first; an empty text shows as "-".
QStringList Table(const QList<HistoryRow>& rows);

}  // namespace HistoryJson
