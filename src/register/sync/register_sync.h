#pragma once
// The sync of this computer's register, the team's replica, with the shared register: first it
// sends what the server lacks (installations, their edits, configurations, their secrets where
// the role may keep them, assignments), then it brings what other computers sent since its last
// look. Every row keeps its UUID on both sides and is added only when missing, so whatever is
// sent or brought twice adds nothing; a sync cut off anywhere resumes where it stopped.
#include <QString>
#include <QStringList>
#include <atomic>
#include <functional>

#include "register_choice.h"
#include "register_store.h"

class SharedStore;

struct PendingCount {
  qint64 installations = 0, edits = 0, entries = 0, assignments = 0;

  qint64 Total() const { return installations + edits + entries + assignments; }
  bool operator==(const PendingCount&) const = default;
};

// Where a sync stands after each batch: the server took it; then the local note of it was kept;
// a batch was brought from the server.
enum class SyncStep { Sent, Noted, Brought };

struct SyncOptions {
  int batch = 250;
  std::function<void(SyncStep)> afterStep;  // may throw RegisterFault, which ends the sync there
  const std::atomic_bool* stop = nullptr;   // set: the sync ends after the batch under way
  // Compare every row with the server's by UUID and send what it lacks, whatever was noted as
  // sent: as after a restored backup, which a sync also finds out by itself.
  bool full = false;
  // Bring what others sent as well; a command that only wants its own entries out leaves it to
  // the next full sync.
  bool bring = true;
};

struct SyncReport {
  PendingCount sent, left, brought;
  qint64 secretsLeft = 0;  // configurations whose secrets this role may not send
  QString error;           // why it ended before all was done (Polish); empty when it was not
  QStringList notices;     // secrets not sent or not readable, a wrong clock, installations merged
  bool complete = false;   // sent and brought everything

  bool Complete() const { return complete && error.isEmpty() && left.Total() == 0; }
};

namespace RegisterSync {

// The most a computer's clock may differ from the server's before it is told.
inline constexpr qint64 SkewToleranceMs = 5 * 60 * 1000;

// What the local register holds that it has not sent to the target's server.
PendingCount Pending(RegisterStore& local, const SharedTarget& target);

// Sends and brings; throws RegisterFault when either register fails.
void Sync(RegisterStore& local, SharedStore& shared, const SyncOptions& options, SyncReport* report);

// Opens both registers (on the calling thread's own connections) and syncs, noting in the local
// register how it went; never throws.
SyncReport Run(const RegisterStore::Options& local, const SharedTarget& target, const SyncOptions& options = {});

// What a sync did, in one line (Polish), for `register sync` and the window's status bar.
QString Summary(const SyncReport& report);

// "3 h", "7 min": a clock's difference as a person says it.
QString Span(qint64 ms);

}  // namespace RegisterSync
