#include "line_wait.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

qint64 MonotonicNs() {
  timespec t{};
  ::clock_gettime(CLOCK_MONOTONIC, &t);
  return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

quint64 TLineWaits::Generation() {
  std::lock_guard lock(mutex_);
  return generation_;
}

int TLineWaits::Wait(int fd, short events, qint64 deadlineNs, quint64 generation,
                     short& revents) {
  // A wait of its own to signal: one shared signal would have to be reset by someone, and a
  // waiter that resets it can hide the cancel from another.
  const int wake = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wake < 0) return errno;
  {
    std::lock_guard lock(mutex_);
    if (generation_ != generation) {
      ::close(wake);
      return ECANCELED;
    }
    waiting_.push_back(wake);
  }
  int result = 0;
  for (;;) {
    pollfd p[2] = {{fd, events, 0}, {wake, POLLIN, 0}};
    timespec timeout{};
    if (deadlineNs) {
      const qint64 left = std::max<qint64>(deadlineNs - MonotonicNs(), 0);
      timeout = {time_t(left / 1000000000), long(left % 1000000000)};
    }
    const int r = ::ppoll(p, 2, deadlineNs ? &timeout : nullptr, nullptr);
    if (r < 0 && errno == EINTR) continue;
    if (r < 0) {
      result = errno;
    } else if (p[1].revents) {
      result = ECANCELED;
    } else if (r == 0) {
      result = ETIMEDOUT;
    } else {
      revents = p[0].revents;
    }
    break;
  }
  {
    std::lock_guard lock(mutex_);
    waiting_.erase(std::find(waiting_.begin(), waiting_.end(), wake));
  }
  ::close(wake);
  return result;
}

void TLineWaits::CancelAll() {
  std::lock_guard lock(mutex_);
  ++generation_;
  const quint64 one = 1;
  for (int wake : waiting_) [[maybe_unused]] ssize_t n = ::write(wake, &one, sizeof one);
}
