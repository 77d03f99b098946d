#pragma once
// A sync on a thread of its own, with connections of its own, so that the window's thread never
// waits for the network: started after each transfer and on request, it tells when it ended.
#include <QObject>
#include <QThread>
#include <atomic>
#include <memory>

#include "register_sync.h"

class BackgroundSync : public QObject {
  Q_OBJECT

 public:
  // The longest its end waits for a running sync to stop.
  static constexpr int StopWaitMs = 1000;

  BackgroundSync(RegisterStore::Options local, SharedTarget target, QObject* parent = nullptr);
  // Asks a running sync to stop and waits for it at most StopWaitMs; one still waiting on the
  // server then ends on its own (its statements have time limits), its report unread.
  ~BackgroundSync() override;

  // Starts a sync; while one runs, another follows it, for what was kept meanwhile.
  void Start();
  bool Running() const { return thread_ != nullptr; }

 signals:
  // On the thread that made this object.
  void Finished(const SyncReport& report);

 private:
  // What the thread uses, kept alive by it should it outlast this object.
  struct Run {
    RegisterStore::Options local;
    SharedTarget target;
    std::atomic_bool stop = false;
    SyncReport report;  // written by the thread, read once it has finished
  };

  void Ended();

  RegisterStore::Options local_;
  SharedTarget target_;
  QThread* thread_ = nullptr;
  std::shared_ptr<Run> run_;
  bool again_ = false;
};
