#pragma once
// A sync on a thread of its own, with connections of its own, so that the window's thread never
// waits for the network: started after each transfer and on request, it tells when it ended.
#include <QObject>
#include <QThread>
#include <atomic>

#include "register_sync.h"

class BackgroundSync : public QObject {
  Q_OBJECT

 public:
  BackgroundSync(RegisterStore::Options local, SharedTarget target, QObject* parent = nullptr);
  // Asks a running sync to end after its batch and waits for it.
  ~BackgroundSync() override;

  // Starts a sync; while one runs, another follows it, for what was kept meanwhile.
  void Start();
  bool Running() const { return thread_ != nullptr; }

 signals:
  // On the thread that made this object.
  void Finished(const SyncReport& report);

 private:
  void Ended();

  RegisterStore::Options local_;
  SharedTarget target_;
  QThread* thread_ = nullptr;
  SyncReport report_;  // written by the thread, read once it has finished
  std::atomic_bool stop_ = false;
  bool again_ = false;
};
