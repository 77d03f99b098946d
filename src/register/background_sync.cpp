#include "background_sync.h"

#include <QPointer>

BackgroundSync::BackgroundSync(RegisterStore::Options local, SharedTarget target, QObject* parent)
    : QObject(parent), local_(std::move(local)), target_(std::move(target)) {}

BackgroundSync::~BackgroundSync() {
  if (!thread_) return;
  stop_ = true;
  thread_->wait();
  delete thread_;
}

void BackgroundSync::Start() {
  if (thread_) {
    again_ = true;
    return;
  }
  again_ = false;
  SyncOptions options;
  options.stop = &stop_;
  thread_ = QThread::create([this, options] { report_ = RegisterSync::Run(local_, target_, options); });
  connect(thread_, &QThread::finished, this, &BackgroundSync::Ended);
  thread_->start();
}

void BackgroundSync::Ended() {
  thread_->wait();  // finished comes just before the thread's end
  delete thread_;
  thread_ = nullptr;
  const QPointer<BackgroundSync> alive(this);  // a receiver may delete it
  emit Finished(report_);
  if (alive && again_) Start();
}
