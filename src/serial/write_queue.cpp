#include "write_queue.h"

#include "line_wait.h"

#include <algorithm>
#include <cerrno>
#include <poll.h>
#include <unistd.h>

TWriteQueue::Started TWriteQueue::Start(int fd, const char* data, int count, qint64 timeoutMs) {
  const qint64 now = MonotonicNs();
  Started started;
  std::lock_guard lock(mutex_);
  if (jobs_.empty()) {
    const ssize_t n = ::write(fd, data, size_t(count));
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      started.error = errno;
      return started;
    }
    started.written = int(std::max<ssize_t>(n, 0));
    if (started.written == count) return started;
  }
  auto job = std::make_shared<TWriteJob>();
  job->data = QByteArray(data, count);
  job->done = started.written;
  job->deadlineNs = timeoutMs > 0 ? now + timeoutMs * 1000000 : 0;
  jobs_.push_back(job);
  TellWatcherLocked();
  started.queued = std::move(job);
  return started;
}

TWriteQueue::Ended TWriteQueue::Wait(TWriteJob& job, int fd, bool leaveToWatcher,
                                     TLineWaits& waits) {
  Ended ended;
  bool hungUp = false;
  std::unique_lock lock(mutex_);
  while (!job.finished) {
    if (watcher_ && leaveToWatcher) {
      finished_.wait(lock);
      continue;
    }
    ended.emptied |= DriveLocked(fd, hungUp);
    if (job.finished) break;
    const qint64 deadline = EarliestDeadlineLocked();
    const quint64 generation = waits.Generation();
    lock.unlock();
    short revents = 0;
    const int err = waits.Wait(fd, POLLOUT, deadline, generation, revents);
    lock.lock();
    hungUp = err == 0 && (revents & (POLLHUP | POLLERR | POLLNVAL));
    if (err && err != ETIMEDOUT && err != ECANCELED && !job.finished) {
      job.error = err;
      FinishLocked(job);
    }
  }
  ended.done = job.done;
  ended.error = job.error;
  return ended;
}

void TWriteQueue::Attach(TWriteWatcher* watcher) {
  std::lock_guard lock(mutex_);
  watcher_ = watcher;
  TellWatcherLocked();
}

void TWriteQueue::Detach(TWriteWatcher* watcher) {
  std::lock_guard lock(mutex_);
  if (watcher_ != watcher) return;
  watcher_ = nullptr;
  finished_.notify_all();
}

bool TWriteQueue::Drive(int fd, bool hungUp) {
  std::lock_guard lock(mutex_);
  return DriveLocked(fd, hungUp);
}

void TWriteQueue::CancelAll() {
  std::lock_guard lock(mutex_);
  for (const auto& job : jobs_) job->finished = true;
  jobs_.clear();
  TellWatcherLocked();
  finished_.notify_all();
}

bool TWriteQueue::DriveLocked(int fd, bool hungUp) {
  const size_t before = jobs_.size();
  bool whole = false;
  // A write whose time is up ends with what went out, wherever it stands in the queue.
  const qint64 now = MonotonicNs();
  std::erase_if(jobs_, [now](const std::shared_ptr<TWriteJob>& job) {
    if (!job->deadlineNs || now < job->deadlineNs) return false;
    job->finished = true;
    return true;
  });
  while (!jobs_.empty()) {
    TWriteJob& job = *jobs_.front();
    const ssize_t n = ::write(fd, job.data.constData() + job.done, size_t(job.data.size() - job.done));
    if (n > 0) {
      job.done += int(n);
      if (job.done < job.data.size()) continue;
      whole = true;
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else if (n < 0 && errno != EAGAIN) {
      job.error = errno;
    } else if (hungUp) {  // the device is gone but the driver still says "try again"
      job.error = EIO;
    } else {
      break;  // no room now
    }
    job.finished = true;
    jobs_.pop_front();
  }
  TellWatcherLocked();
  if (jobs_.size() != before) finished_.notify_all();
  return whole && jobs_.empty();
}

void TWriteQueue::FinishLocked(TWriteJob& job) {
  job.finished = true;
  std::erase_if(jobs_, [&job](const std::shared_ptr<TWriteJob>& queued) {
    return queued.get() == &job;
  });
  TellWatcherLocked();
  finished_.notify_all();
}

void TWriteQueue::TellWatcherLocked() {
  if (!watcher_) return;
  if (jobs_.empty()) {
    watcher_->IgnoreWrites();
  } else {
    watcher_->WatchWrites(EarliestDeadlineLocked());
  }
}

qint64 TWriteQueue::EarliestDeadlineLocked() const {
  qint64 earliest = 0;
  for (const auto& job : jobs_) {
    if (job->deadlineNs && (!earliest || job->deadlineNs < earliest)) earliest = job->deadlineNs;
  }
  return earliest;
}
