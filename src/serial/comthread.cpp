#include "comthread.h"

#include "comport.h"
#include "termios_line.h"

#include <QCoreApplication>
#include <array>
#include <cerrno>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <unistd.h>

namespace {
constexpr std::array<TComEvent, 10> FireOrder = {evError, evRxChar, evTxEmpty, evBreak, evRing,
                                                 evCTS,   evDSR,    evRxFlag,  evRLSD,  evRx80Full};
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
    wait();
  }
  if (epollFd_ >= 0) ::close(epollFd_);
  if (wakeFd_ >= 0) ::close(wakeFd_);
}

void TComThread::Start() { start(port_->EventThreadPriority()); }

void TComThread::Wake() {
  const quint64 one = 1;
  [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void TComThread::StopEventThread() {
  stopping_ = true;
  Wake();
}

void TComThread::NotifyWritten() {
  if (!wanted_.Contains(evTxEmpty)) return;
  txDone_ = true;
  Wake();
}

void TComThread::WaitForEnd() {
  wait();  // the thread never waits for the UI thread, so this cannot lock
  RunPendingBatch();
}

bool TComThread::Failed() {
  std::lock_guard lock(mutex_);
  return failed_;
}

void TComThread::RunPendingBatch() {
  {
    std::lock_guard lock(mutex_);
    if (!pending_ || started_) return;  // none, or running further up this stack
    started_ = true;
  }
  bool failed = false;
  try {
    FireEvents();
  } catch (...) {
    // Goes back to the event thread, which ends without a word; the port still closes.
    failed = true;
  }
  bool next = false;
  {
    std::lock_guard lock(mutex_);
    started_ = false;
    failed_ = failed;
    next = !failed && !held_.IsEmpty();
    if (next) batch_ = held_;  // stays pending: this thread posts it to itself
    pending_ = next;
    held_ = {};
  }
  if (next) QCoreApplication::postEvent(port_, new QEvent(BatchEventType()));
  if (failed) Wake();
}

void TComThread::FireEvents() {
  for (TComEvent e : FireOrder) {
    if (!port_->Connected()) return;  // a handler closed the port: the rest is void
    if (batch_.Contains(e)) port_->HandleEvent(e);
  }
}

void TComThread::run() {
  // Line errors and breaks show in the driver's counters, where it keeps them.
  TermiosLine::Counters counters;
  const bool watchErrors = (wanted_.Contains(evError) || wanted_.Contains(evBreak)) &&
                           TermiosLine::ReadCounters(fd_, counters) == 0;
  for (;;) {
    std::array<epoll_event, 2> ready{};
    const int n = ::epoll_wait(epollFd_, ready.data(), int(ready.size()), -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      return;
    }
    TComEvents events;
    bool input = false;
    bool gone = false;
    for (int i = 0; i < n; ++i) {
      if (ready[i].data.fd == wakeFd_) {
        quint64 value;
        [[maybe_unused]] ssize_t r = ::read(wakeFd_, &value, sizeof value);
        if (stopping_) return;
        if (txDone_.exchange(false)) events.Include(evTxEmpty);
      } else {
        input = (ready[i].events & EPOLLIN) != 0;
        gone = (ready[i].events & (EPOLLHUP | EPOLLERR)) != 0;
      }
    }
    if (input && !gone) {
      events.Include(evRxChar);
      if (watchErrors) {
        TermiosLine::Counters now;
        if (TermiosLine::ReadCounters(fd_, now) == 0) {
          if (now.frame != counters.frame || now.overrun != counters.overrun ||
              now.parity != counters.parity || now.bufOverrun != counters.bufOverrun) {
            events.Include(evError);
          }
          if (now.brk != counters.brk) events.Include(evBreak);
          counters = now;
        }
      }
      int count = 0;
      if (wanted_.Contains(evRx80Full) && rx80Level_ > 0 &&
          TermiosLine::InputCount(fd_, count) == 0 && count >= rx80Level_) {
        events.Include(evRx80Full);
      }
    }
    if (!DeliverEvents(events & wanted_)) return;  // a handler failed: end quietly
    if (stopping_) return;
    if (gone) return;  // the device vanished: nothing more will come from it
  }
}

bool TComThread::DeliverEvents(TComEvents events) {
  switch (syncMethod_) {
    case smThreadSync:
      return HandOver(events);
    case smWindowSync:
      batch_ = events;
      SendEventMessages();
      return true;
    case smNone:
      batch_ = events;
      try {
        FireEvents();
      } catch (...) {
        return false;
      }
      return true;
  }
  return true;
}

// The batch goes to the UI thread, and nothing more is delivered until it has run there: events
// that come meanwhile are held and make the next batch, which the UI thread then posts to itself.
// So this thread never waits for the UI thread (ClosePort can always stop it), and the UI
// thread never has to wake it, except to end it after a handler failed.
bool TComThread::HandOver(TComEvents events) {
  {
    std::lock_guard lock(mutex_);
    if (failed_) return false;
    if (events.IsEmpty()) return true;
    if (pending_) {
      held_ |= events;
      return true;
    }
    batch_ = events;
    pending_ = true;
  }
  QCoreApplication::postEvent(port_, new QEvent(BatchEventType()));
  return true;
}

// One message per event, but not a second one for an event whose message is still queued: a
// busy UI thread then finds one message per event, not one per arrival, and the receive handler
// counts every byte that came meanwhile anyway.
void TComThread::SendEventMessages() {
  for (TComEvent e : FireOrder) {
    const quint32 bit = TComEvents(e).Bits();
    if (batch_.Contains(e) && !(posted_.fetch_or(bit) & bit)) {
      QCoreApplication::postEvent(port_, new EventMessage(e, generation_));
    }
  }
}

void TComThread::MessageTaken(TComEvent event) { posted_.fetch_and(~TComEvents(event).Bits()); }
