#include "comthread.h"

#include "comport.h"
#include "termios_line.h"

#include <QCoreApplication>
#include <array>
#include <cerrno>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <termios.h>
#include <unistd.h>

namespace {
constexpr std::array<TComEvent, 10> FireOrder = {evError, evRxChar,  evTxEmpty, evBreak, evRing,
                                                 evCTS,   evDSR,     evRxFlag,  evRLSD,  evRx80Full};
const TComEvents InputDriven = {evRxChar, evError, evBreak, evRx80Full};
}  // namespace

QEvent::Type TComThread::BatchEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

QEvent::Type TComThread::EventMessageType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

TComThread::TComThread(TCustomComPort* port)
    : port_(port),
      fd_(port->PortHandle()),
      wanted_(port->Events()),
      syncMethod_(port->SyncMethod()),
      generation_(port->openGeneration_),
      rx80Level_(port->Buffer().InputSize() * 8 / 10) {
  setObjectName(QStringLiteral("TComThread"));  // the system's thread name, for inspection
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
  if (wakeFd_ < 0 || epollFd_ < 0) {
    startError_ = errno;
    return;
  }
  epoll_event wake{};
  wake.events = EPOLLIN;
  wake.data.fd = wakeFd_;
  // Received data is watched edge-triggered: the thread wakes for each arrival, but bytes that
  // a handler leaves unread do not wake it again and again. A vanished device (EPOLLHUP,
  // EPOLLERR) is always reported.
  epoll_event line{};
  line.events = (wanted_ & InputDriven).IsEmpty() ? 0u : unsigned(EPOLLIN | EPOLLET);
  line.data.fd = fd_;
  if (::epoll_ctl(epollFd_, EPOLL_CTL_ADD, wakeFd_, &wake) != 0 ||
      ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, fd_, &line) != 0) {
    startError_ = errno;
  }
}

TComThread::~TComThread() {
  if (isRunning()) {
    StopEventThread();
    WaitForEnd();
  }
  if (epollFd_ >= 0) ::close(epollFd_);
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void TComThread::Start() { start(port_->EventThreadPriority()); }

void TComThread::StopEventThread() {
  if (QThread::currentThread() == this) closedFromHandler_ = true;
  stopping_ = true;
  const quint64 one = 1;
  [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void TComThread::NotifyWritten() {
  if (!wanted_.Contains(evTxEmpty)) return;
  txDone_ = true;
  const quint64 one = 1;
  [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void TComThread::WaitForEnd() {
  std::unique_lock lock(mutex_);
  // Called from inside the batch (a handler closes the port): the thread need not wait for it.
  closingInsideBatch_ = pending_ && started_;
  changed_.notify_all();
  for (;;) {
    if (pending_ && !started_) {
      // The thread is blocked handing this batch over: run it here, so that it completes.
      lock.unlock();
      RunPendingBatch();
      lock.lock();
    } else if (ended_) {
      break;
    } else {
      changed_.wait(lock);
    }
  }
  lock.unlock();
  wait();
}

void TComThread::RunPendingBatch() {
  {
    std::lock_guard lock(mutex_);
    if (!pending_ || started_) return;
    started_ = true;
  }
  bool failed = false;
  try {
    FireEvents();
  } catch (...) {
    // Goes back to the event thread, which ends without a word; the port still closes.
    failed = true;
  }
  {
    std::lock_guard lock(mutex_);
    pending_ = false;
    failed_ = failed;
  }
  changed_.notify_all();
}

void TComThread::FireEvents() {
  for (TComEvent e : FireOrder) {
    if (!port_->Connected()) return;  // a handler closed the port: the rest is void
    if (batch_.Contains(e)) port_->HandleEvent(e);
  }
}

void TComThread::run() {
  // Both queues are emptied as the thread ends, unless a handler failed or closed the port
  // from this thread (the handle may be gone then).
  if (RunEventLoop() && !closedFromHandler_) ::tcflush(fd_, TCIOFLUSH);
  {
    std::lock_guard lock(mutex_);
    ended_ = true;
  }
  changed_.notify_all();
}

bool TComThread::RunEventLoop() {
  // Line errors and breaks show in the driver's counters, where it keeps them.
  TermiosLine::Counters counters;
  const bool watchErrors = (wanted_.Contains(evError) || wanted_.Contains(evBreak)) &&
                           TermiosLine::ReadCounters(fd_, counters) == 0;

  for (;;) {
    std::array<epoll_event, 2> ready{};
    const int n = ::epoll_wait(epollFd_, ready.data(), int(ready.size()), -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      return true;
    }
    TComEvents batch;
    bool input = false;
    bool gone = false;
    for (int i = 0; i < n; ++i) {
      if (ready[i].data.fd == wakeFd_) {
        quint64 value;
        [[maybe_unused]] ssize_t r = ::read(wakeFd_, &value, sizeof value);
        if (stopping_) return true;
        if (txDone_.exchange(false)) batch.Include(evTxEmpty);
      } else {
        input = (ready[i].events & EPOLLIN) != 0;
        gone = (ready[i].events & (EPOLLHUP | EPOLLERR)) != 0;
      }
    }
    if (input && !gone) {
      batch.Include(evRxChar);
      if (watchErrors) {
        TermiosLine::Counters now;
        if (TermiosLine::ReadCounters(fd_, now) == 0) {
          if (now.frame != counters.frame || now.overrun != counters.overrun ||
              now.parity != counters.parity || now.bufOverrun != counters.bufOverrun) {
            batch.Include(evError);
          }
          if (now.brk != counters.brk) batch.Include(evBreak);
          counters = now;
        }
      }
      int count = 0;
      if (wanted_.Contains(evRx80Full) && TermiosLine::InputCount(fd_, count) == 0 &&
          count >= rx80Level_ && rx80Level_ > 0) {
        batch.Include(evRx80Full);
      }
    }
    batch &= wanted_;
    if (!batch.IsEmpty()) {
      batch_ = batch;
      if (!DeliverEvents()) return false;  // a handler failed: end quietly
      if (stopping_) return true;
    }
    if (gone) return true;  // the device vanished: nothing more will come from it
  }
}

bool TComThread::DeliverEvents() {
  switch (syncMethod_) {
    case smThreadSync:
      return HandOver();
    case smWindowSync:
      SendEventMessages();
      return true;
    case smNone:
      try {
        FireEvents();
      } catch (...) {
        return false;
      }
      return true;
  }
  return true;
}

bool TComThread::HandOver() {
  {
    std::lock_guard lock(mutex_);
    pending_ = true;
    started_ = false;
    failed_ = false;
  }
  changed_.notify_all();  // a ClosePort waiting for the thread runs the batch itself
  QCoreApplication::postEvent(port_, new QEvent(BatchEventType()));
  std::unique_lock lock(mutex_);
  // While the UI thread is inside the batch and closes the port there, waiting would lock both.
  changed_.wait(lock, [this] { return !pending_ || closingInsideBatch_; });
  return !failed_;
}

void TComThread::SendEventMessages() {
  for (TComEvent e : FireOrder) {
    if (batch_.Contains(e)) QCoreApplication::postEvent(port_, new EventMessage(e, generation_));
  }
}
