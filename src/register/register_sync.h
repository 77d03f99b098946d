#pragma once
// Sending what this computer's register holds and the shared one lacks: installations, their
// edits and kept configurations, in batches, oldest first. Each row keeps its UUID there and is
// added only when missing, so a batch sent twice adds nothing; what was sent is noted in the
// local register after the server took it, so a sync cut off anywhere resumes where it stopped.
#include <QString>
#include <atomic>
#include <functional>

#include "register_choice.h"
#include "register_store.h"

class SharedStore;

struct PendingCount {
  qint64 installations = 0, edits = 0, entries = 0;

  qint64 Total() const { return installations + edits + entries; }
  bool operator==(const PendingCount&) const = default;
};

// Where a sync stands after each batch: the server took it; then the local note of it was kept.
enum class SyncStep { Sent, Noted };

struct SyncOptions {
  int batch = 250;
  std::function<void(SyncStep)> afterStep;  // may throw RegisterFault, which ends the sync there
  const std::atomic_bool* stop = nullptr;   // set: the sync ends after the batch under way
};

struct SyncReport {
  PendingCount sent, left;
  QString error;   // why it ended before all was sent (Polish); empty when it was not
  QString notice;  // what was sent without: the secrets, for a role that may not keep them

  bool Complete() const { return error.isEmpty() && left.Total() == 0; }
};

namespace RegisterSync {

// What the local register holds that it has not sent to the target's server.
PendingCount Pending(RegisterStore& local, const SharedTarget& target);

// Sends every pending batch, counting them in *report; throws RegisterFault when either
// register fails.
void Send(RegisterStore& local, SharedStore& shared, const SyncOptions& options, SyncReport* report);

// Opens both registers (on the calling thread's own connections) and sends; never throws.
SyncReport Run(const RegisterStore::Options& local, const SharedTarget& target, const SyncOptions& options = {});

// What a sync did, in one line (Polish), for `register sync` and the window's status bar.
QString Summary(const SyncReport& report);

}  // namespace RegisterSync
