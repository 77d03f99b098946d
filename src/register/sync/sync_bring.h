#pragma once
// Bringing: what other computers sent since this computer last looked, table by table, in
// batches. Each server row notes the transaction that added it; a look notes the oldest
// transaction still running when it began, and the next look starts there, so a row that
// commits late is never skipped; what is brought twice is kept once by its UUID.
#include "register_sync.h"

class SharedStore;

namespace SyncBring {

// Throws RegisterFault.
void Bring(RegisterStore& local, SharedStore& shared, const SyncOptions& options, SyncReport* report);
// Forgets how far it brought: everything is looked at again at the next sync.
void Rewind(RegisterStore& local, const SharedTarget& target);
// The latest transaction any cursor noted: a server whose transactions are behind it is another.
qint64 LatestCursor(RegisterStore& local, const SharedTarget& target);

}  // namespace SyncBring
