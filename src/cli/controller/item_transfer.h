#pragma once
// Configuration items read from or written to the controller one request at a time, with the
// window's waits: a read gets 110 ticks (11 s) an attempt after a 10 ms pause, a write 60 ticks
// for the ten input texts and 10 for the rest, with a 10 ms pause after each reply; three
// attempts each. Ctrl-C stops a transfer after the current item. A transfer of every item is
// kept in the configuration history.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>

class Console;
class Session;

// Item index to value.
using ItemValues = QMap<int, QByteArray>;

namespace ItemTransfer {
// The values as the controller sent them (item 1 with its trailing NUL). Throws CliError, also
// after the last item when a reply was too short for its item.
ItemValues Read(Session& session, const QList<int>& items, Console& console);
// Throws CliError; the items before a failure stay written.
void Write(Session& session, const ItemValues& values, Console& console);

QList<int> AllItems();
}  // namespace ItemTransfer
