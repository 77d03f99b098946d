#pragma once
// Sending: each table's rows made on this computer after its cursor, in batches, oldest first;
// or, in a full sync, every row the server lacks by UUID. An installation claims its site on the
// server; when another claimed it first, this computer's installation is merged into that one.
#include "register_sync.h"

class SharedStore;

namespace SyncSend {

PendingCount Pending(RegisterStore& local, const SharedTarget& target);
// Throws RegisterFault.
void Send(RegisterStore& local, SharedStore& shared, const SyncOptions& options, SyncReport* report);
// Forgets how far it sent: everything is compared with the server again at the next sync.
void Rewind(RegisterStore& local, const SharedTarget& target);
// Whether the last row each table noted as sent is still on the server (a restored backup loses it).
bool ServerHasWhatWasSent(RegisterStore& local, SharedStore& shared);

}  // namespace SyncSend
