#include "comthread.h"

#include "comport.h"

#include <QCoreApplication>
#include <array>
#include <cerrno>
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <system_error>
#include <vector>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/timerfd.h>
#include <unistd.h>

namespace {
constexpr std::array<TComEvent, 10> FireOrder = {evError, evRxChar, evTxEmpty, evBreak, evRing,
                                                 evCTS,   evDSR,    evRxFlag,  evRLSD,  evRx80Full};
const TComEvents InputDriven = {evRxChar, evError, evBreak, evRx80Full};

thread_local const TComThread* runningHere = nullptr;

// Qt's event queue orders a post before its delivery, but in code that the race detector cannot
// see; this release (post) and acquire (delivery) say so where it can.
std::atomic<quint64> postedEvents{0};

int Watch(int epollFd, int fd, unsigned events) {
  epoll_event e{};
  e.events = events;
  e.data.fd = fd;
  return ::epoll_ctl(epollFd, EPOLL_CTL_ADD, fd, &e) == 0 ? 0 : errno;
}
}  // namespace

QEvent::Type TComThread::BatchEventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

QEvent::Type TComThread::EventMessageType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

TComThread::TComThread(TCustomComPort* port, TComEvents events)
    : port_(port),
      writes_(port->writes_),
      fd_(port->PortHandle()),
      wanted_(events),
      syncMethod_(port->SyncMethod()),
      generation_(port->openGeneration_),
      rx80Level_(port->Buffer().InputSize() * 8 / 10),
      priority_(port->EventThreadPriority()) {
  wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  timerFd_ = ::timerfd_create(CLOCK_MONOTONIC, TFD_CLOEXEC | TFD_NONBLOCK);
  // Room for writes is watched on a second descriptor of the line, and only while writes are
  // queued: re-arming it must not report again the received data that a handler left unread.
  writeFd_ = ::fcntl(fd_, F_DUPFD_CLOEXEC, 0);
  epollFd_ = ::epoll_create1(EPOLL_CLOEXEC);
  if (wakeFd_ < 0 || timerFd_ < 0 || writeFd_ < 0 || epollFd_ < 0) {
    startError_ = errno;
    return;
  }
  watchErrors_ = (wanted_.Contains(evError) || wanted_.Contains(evBreak)) &&
                 TermiosLine::ReadCounters(fd_, counters_) == 0;
  // Received data is watched here only under smNone, edge-triggered: the thread wakes for each
  // arrival, but bytes that a handler leaves unread do not wake it again and again. A vanished
  // device (EPOLLHUP, EPOLLERR) is always reported, unless no event is wanted at all: the
  // thread then only drives the writes, and no handler hears of anything.
  const bool input = !(wanted_ & InputDriven).IsEmpty();
  std::vector<std::pair<int, unsigned>> watched = {{wakeFd_, EPOLLIN}, {timerFd_, EPOLLIN}};
  if (!wanted_.IsEmpty()) {
    watched.emplace_back(fd_, input && syncMethod_ == smNone ? unsigned(EPOLLIN | EPOLLET) : 0u);
  }
  if (input && syncMethod_ != smNone) {
    watch_ = std::make_unique<TReceiveWatch>(fd_, port->input_, [port] { port->InputArrived(); });
  }
  for (const auto& [fd, what] : watched) {
    if (const int err = Watch(epollFd_, fd, what)) {
      startError_ = err;
      return;
    }
  }
  try {
    thread_ = std::thread(&TComThread::Run, this);
    // Named for inspection from the start: received data may reach the handlers before the
    // thread has first run.
    ::pthread_setname_np(thread_.native_handle(), "TComThread");
  } catch (const std::system_error& e) {
    startError_ = e.code().value();
  }
}

TComThread::~TComThread() {
  if (thread_.joinable()) {
    StopEventThread();
    thread_.join();
  }
  for (int fd : {epollFd_, wakeFd_, timerFd_, writeFd_}) {
    if (fd >= 0) ::close(fd);
  }
}

void TComThread::Start() {
  if (watch_) watch_->Start();
  writes_.Attach(this);
  // Notified under the lock: a thread that then ends at once may delete itself.
  std::lock_guard lock(mutex_);
  go_ = true;
  startOrStop_.notify_all();
}

bool TComThread::IsCurrent() const { return runningHere == this; }

void TComThread::Wake() {
  const quint64 one = 1;
  [[maybe_unused]] ssize_t n = ::write(wakeFd_, &one, sizeof one);
}

void TComThread::StopEventThread() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
    startOrStop_.notify_all();
  }
  Wake();
}

void TComThread::Post(QEvent* event) {
  postedEvents.fetch_add(1, std::memory_order_release);
  QCoreApplication::postEvent(port_, event);
}

void TComThread::TakePosted() { postedEvents.load(std::memory_order_acquire); }

bool TComThread::PortClosed() const {
  // On this thread (smNone) the port's state belongs to the UI thread, which may be opening it
  // again; the stop request tells the same.
  return IsCurrent() ? stopping_.load() : !port_->Connected();
}

void TComThread::NotifyWritten() {
  if (!wanted_.Contains(evTxEmpty)) return;
  txDone_ = true;
  Wake();
}

void TComThread::WatchWrites(qint64 deadlineNs) {
  // Room is reported once per call. The line's descriptor is added when writes first wait
  // after IgnoreWrites; nothing here can fail otherwise for descriptors this thread holds.
  epoll_event room{};
  room.events = EPOLLOUT | EPOLLONESHOT;
  room.data.fd = writeFd_;
  if (::epoll_ctl(epollFd_, EPOLL_CTL_MOD, writeFd_, &room) != 0) {
    ::epoll_ctl(epollFd_, EPOLL_CTL_ADD, writeFd_, &room);
  }
  SetTimer(deadlineNs);
}

void TComThread::IgnoreWrites() {
  // Removed, not disabled: a hang-up would still be reported to a disabled descriptor.
  ::epoll_ctl(epollFd_, EPOLL_CTL_DEL, writeFd_, nullptr);
  SetTimer(0);
}

void TComThread::SetTimer(qint64 deadlineNs) {
  itimerspec at{};  // all zero: disarmed
  at.it_value = {time_t(deadlineNs / 1000000000), long(deadlineNs % 1000000000)};
  ::timerfd_settime(timerFd_, TFD_TIMER_ABSTIME, &at, nullptr);
}

void TComThread::WaitForEnd() {
  if (thread_.joinable()) thread_.join();  // it never waits for the UI thread: cannot lock
  if (watch_) {
    // Data that came while the UI thread was busy is a batch that waits for it, as it was when
    // this thread handed such batches over.
    if (syncMethod_ == smThreadSync) {
      if (const TComEvents events = TakeIn(true); !events.IsEmpty()) Queue({events});
    }
    watch_->Stop();
  }
  RunPendingBatch(true);
}

void TComThread::Arrived() {
  const TComEvents events = TakeIn(false);
  if (events.IsEmpty()) return;
  if (syncMethod_ == smWindowSync) {
    SendEventMessages({events});
    return;
  }
  // At once, with a batch that waits for its post; after the batch that runs further up, if one
  // does.
  Queue({events});
  TInputBuffer& input = port_->input_;
  input.SetTakenIn(true);
  RunPendingBatch();
  input.SetTakenIn(false);
}

TComEvents TComThread::TakeIn(bool closing) {
  const TReceiveWatch::Taken taken = watch_->TakeIn();
  if (taken.error && !closing) port_->PassOnError(CError_ReadFailed, taken.error);
  if (!taken.bytes) return {};
  const TInputBuffer& input = port_->input_;
  return InputEvents(input.Size(), !input.Full()) & wanted_;
}

void TComThread::MadeRoom() {
  if (watch_) watch_->MadeRoom();
}

void TComThread::RunPendingBatch(bool closing) {
  Batch batch;
  {
    std::lock_guard lock(mutex_);
    if (!pending_ || started_) return;  // none, or running further up this stack
    started_ = true;
    batch = batch_;
  }
  FireEvents(batch, closing);
  bool next = false;
  {
    std::lock_guard lock(mutex_);
    started_ = false;
    next = !held_.IsEmpty();
    if (next) batch_ = held_;  // stays pending: this thread posts it to itself
    pending_ = next;
    held_ = {};
  }
  if (next) Post(new QEvent(BatchEventType()));
}

void TComThread::FireEvents(const Batch& batch, bool closing) {
  for (TComEvent e : FireOrder) {
    if (PortClosed()) return;  // a handler closed the port: the rest is void
    if (batch.events.Contains(e)) port_->RunHandler(e);
  }
  if (batch.deviceGone && !closing && !PortClosed()) port_->ReportDeviceGone();
}

void TComThread::Run() {
  runningHere = this;
  // Linux's normal scheduling has no levels to choose from; the idle class is the one choice
  // that needs no privilege.
  if (priority_ == QThread::IdlePriority) {
    const sched_param none{};
    ::pthread_setschedparam(::pthread_self(), SCHED_IDLE, &none);
  }
  {
    // The open is announced before any event; a port closed meanwhile stops the thread here.
    std::unique_lock lock(mutex_);
    startOrStop_.wait(lock, [this] { return go_ || stopping_; });
  }
  if (!stopping_) WatchLine();
  writes_.Detach(this);
  // The line's second descriptor goes now, so that the device is released with the port
  // even when this object is deleted later.
  ::close(writeFd_);
  ::close(timerFd_);
  writeFd_ = timerFd_ = -1;
  if (orphaned_) {
    thread_.detach();
    delete this;
  }
}

void TComThread::WatchLine() {
  for (bool running = true; running;) {
    std::array<epoll_event, 4> ready{};
    const int n = ::epoll_wait(epollFd_, ready.data(), int(ready.size()), -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;
    }
    Batch batch;
    bool input = false;
    bool driveWrites = false;
    bool hungUp = false;
    for (int i = 0; i < n; ++i) {
      const int fd = ready[i].data.fd;
      if (fd == wakeFd_ || fd == timerFd_) {
        quint64 value;
        [[maybe_unused]] ssize_t r = ::read(fd, &value, sizeof value);
        driveWrites |= fd == timerFd_;
        if (fd == wakeFd_ && txDone_.exchange(false)) batch.events.Include(evTxEmpty);
      } else if (fd == writeFd_) {
        driveWrites = true;
        hungUp = (ready[i].events & (EPOLLHUP | EPOLLERR)) != 0;
      } else {
        input = (ready[i].events & EPOLLIN) != 0;
        batch.deviceGone = (ready[i].events & (EPOLLHUP | EPOLLERR)) != 0;
      }
    }
    if (stopping_) break;
    if (driveWrites && writes_.Drive(fd_, hungUp)) batch.events.Include(evTxEmpty);
    if (input && !batch.deviceGone) batch.events |= InputEvents(0, false);
    batch.events &= wanted_;
    DeliverEvents(batch);
    // A vanished device reports a hang-up forever: the thread ends rather than spin on it.
    running = !stopping_ && !batch.deviceGone;
  }
}

TComEvents TComThread::InputEvents(int held, bool drained) {
  TComEvents events = evRxChar;
  TermiosLine::Counters now;
  if (watchErrors_ && TermiosLine::ReadCounters(fd_, now) == 0) {
    if (now.frame != counters_.frame || now.overrun != counters_.overrun ||
        now.parity != counters_.parity || now.bufOverrun != counters_.bufOverrun) {
      events.Include(evError);
    }
    if (now.brk != counters_.brk) events.Include(evBreak);
    counters_ = now;
  }
  int count = 0;
  if (wanted_.Contains(evRx80Full) && rx80Level_ > 0 &&
      (drained || TermiosLine::InputCount(fd_, count) == 0) && held + count >= rx80Level_) {
    events.Include(evRx80Full);
  }
  return events;
}

void TComThread::DeliverEvents(const Batch& batch) {
  if (batch.IsEmpty()) return;
  switch (syncMethod_) {
    case smThreadSync:
      HandOver(batch);
      break;
    case smWindowSync:
      SendEventMessages(batch);
      break;
    case smNone:
      FireEvents(batch, false);
      break;
  }
}

bool TComThread::Queue(const Batch& batch) {
  std::lock_guard lock(mutex_);
  if (started_) {
    held_.Add(batch);
    return true;
  }
  const bool waiting = pending_;
  if (!waiting) batch_ = {};
  batch_.Add(batch);
  pending_ = true;
  return waiting;
}

// The batch goes to the UI thread, and nothing more is delivered until it has run there: events
// that come meanwhile are held and make the next batch, which the UI thread then posts to itself.
// So this thread never waits for the UI thread, and ClosePort can always stop it.
void TComThread::HandOver(const Batch& batch) {
  if (!Queue(batch)) Post(new QEvent(BatchEventType()));
}

// One message per event, but not a second one for an event whose message is still queued: a
// busy UI thread then finds one message per event, not one per arrival, and the receive handler
// counts every byte that came meanwhile anyway.
void TComThread::SendEventMessages(const Batch& batch) {
  for (TComEvent e : FireOrder) {
    const quint32 bit = TComEvents(e).Bits();
    if (batch.events.Contains(e) && !(posted_.fetch_or(bit) & bit)) {
      Post(new EventMessage(e, generation_));
    }
  }
  if (batch.deviceGone) Post(new EventMessage(std::nullopt, generation_));
}

void TComThread::MessageTaken(TComEvent event) { posted_.fetch_and(~TComEvents(event).Bits()); }
