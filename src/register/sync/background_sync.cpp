#include "background_sync.h"

#include <QPointer>

BackgroundSync::BackgroundSync(RegisterStore::Options local, SharedTarget target, QObject* parent)
    : QObject(parent), local_(std::move(local)), target_(std::move(target)) {}

BackgroundSync::~BackgroundSync() {
  if (!thread_) return;
  run_->stop = true;
  disconnect(thread_, nullptr, this, nullptr);
  if (thread_->wait(StopWaitMs)) {
    delete thread_;
    return;
  }
  // Left to end by itself: it deletes itself then, and its Run with it.
  QObject::connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
}

void BackgroundSync::Start() {
  if (thread_) {
    again_ = true;
    return;
  }
  again_ = false;
  run_ = std::make_shared<Run>();
  run_->local = local_;
  run_->target = target_;
  thread_ = QThread::create([run = run_] {
    SyncOptions options;
    options.stop = &run->stop;
    run->report = RegisterSync::Run(run->local, run->target, options);
  });
  connect(thread_, &QThread::finished, this, &BackgroundSync::Ended);
  thread_->start();
}

void BackgroundSync::Ended() {
  thread_->wait();  // finished comes just before the thread's end
  delete thread_;
  thread_ = nullptr;
  const SyncReport report = run_->report;
  const QPointer<BackgroundSync> alive(this);  // a receiver may delete it
  emit Finished(report);
  if (alive && again_) Start();
}
