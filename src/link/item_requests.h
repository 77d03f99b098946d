#pragma once
// Reading and writing one configuration item, as every transfer does it: the same pause, the
// same waits, three attempts each.
#include <QByteArray>
#include <QtGlobal>

class Link;

namespace ItemRequests {
// Ticks of one attempt to write item k: the ten input texts get longer.
quint16 WriteTicks(int k);
// Pauses 10 ms, sends the read request of item k and waits for its reply (the dispatch has
// applied it by then); false when the last attempt went unanswered or the link ended.
bool Read(Link& link, int k);
// Sends value as item k and waits for the controller's answer.
bool Write(Link& link, int k, const QByteArray& value);
}  // namespace ItemRequests
