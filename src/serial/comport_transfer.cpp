// Reads and writes of TCustomComPort. The handle is non-blocking: the driver only ever takes or
// gives what it can at once, and all waiting (by the time-outs) happens here, in poll.
#include "comport.h"

#include "comthread.h"
#include "termios_line.h"

#include <cerrno>
#include <poll.h>
#include <unistd.h>

namespace {
constexpr qint64 NsPerMs = 1000000;
}  // namespace

void TCustomComPort::BeginTransfer(TPortTransfer*& transfer) { transfer = new TPortTransfer; }

void TCustomComPort::EndTransfer(TPortTransfer*& transfer) {
  delete transfer;
  transfer = nullptr;
}

unsigned TCustomComPort::TransferErrorCode(const TPortTransfer* transfer) {
  return transfer && transfer->Direction == TPortTransfer::dirRead ? CError_ReadFailed
                                                                   : CError_WriteFailed;
}

int TCustomComPort::StartWrite(const void* buffer, int count, TPortTransfer* transfer) {
  if (!transfer) {
    ReportError(CError_InvalidAsync, 0);
    return 0;
  }
  if (fd_ < 0) {
    ReportError(CError_PortNotOpen, -qint64(CError_PortNotOpen));
    return 0;
  }
  count = qMax(count, 0);
  *transfer = TPortTransfer{};
  transfer->Direction = TPortTransfer::dirWrite;
  TWriteQueue::Started started = writes_.Start(fd_, static_cast<const char*>(buffer), count,
                                               timeouts_.WriteTimeout(count));
  if (started.error) {
    ReportError(CError_WriteFailed, started.error);
    return 0;
  }
  transfer->Done = started.written;
  transfer->QueuedWrite = std::move(started.queued);
  if (transfer->QueuedWrite) {
    WatchQueuedWrites();
    return 0;  // pending
  }
  NotifyWritten();
  return count;
}

// The queue goes on while its writer does other work, also on a port without events. Should
// no thread start, whoever waits drives the queue.
void TCustomComPort::WatchQueuedWrites() {
  if (!thread_ && CreateEventThread(TComEvents()) == 0) thread_->Start();
}

int TCustomComPort::StartWriteText(const QByteArray& text, TPortTransfer* transfer) {
  if (text.isEmpty()) return 0;
  return StartWrite(text.constData(), int(text.size()), transfer);
}

int TCustomComPort::StartRead(void* buffer, int count, TPortTransfer* transfer) {
  if (!transfer) {
    ReportError(CError_InvalidAsync, 0);
    return 0;
  }
  *transfer = TPortTransfer{};
  transfer->Direction = TPortTransfer::dirRead;
  if (fd_ < 0) {
    ReportError(CError_PortNotOpen, -qint64(CError_PortNotOpen));
    return 0;
  }
  if (count <= 0) return 0;
  const qint64 start = MonotonicNs();
  const TReadWaitRule rule = timeouts_.ReadWaitRule(count);
  // Noted before the read: a cancel that comes once it has taken bytes must still end it.
  const quint64 cancelGeneration = rule.waits ? waits_.Generation() : 0;
  char* bytes = static_cast<char*>(buffer);
  // Bytes the line's watch took in come first; the driver has the rest of what waits.
  const bool wasFull = input_.Full();
  const int taken = input_.Take(bytes, count);
  if (wasFull && taken > 0 && thread_) thread_->MadeRoom();
  const ssize_t n = taken < count ? ::read(fd_, bytes + taken, size_t(count - taken)) : 0;
  // With bytes in hand the read has succeeded; a failing line shows at the next one.
  if (taken == 0 && n < 0 && errno != EAGAIN && errno != EINTR) {
    ReportError(CError_ReadFailed, errno);
    return 0;
  }
  if (taken == 0 && n <= 0 && TermiosLine::HungUp(fd_)) {
    ReportError(CError_ReadFailed, EIO);
    return 0;
  }
  transfer->Done = taken + int(qMax<ssize_t>(n, 0));
  const bool ended = !rule.waits || transfer->Done == count ||
                     (rule.endsOnWaitingBytes && transfer->Done > 0);
  if (!ended) {
    TPendingRead& pending = transfer->Read.emplace();
    pending.buffer = bytes;
    pending.size = count;
    pending.totalDeadlineNs = rule.totalMs >= 0 ? start + rule.totalMs * NsPerMs : 0;
    pending.intervalNs = rule.intervalMs * NsPerMs;
    pending.lastArrivalNs = start;
    pending.endsOnFirstArrival = rule.endsOnFirstArrival;
    pending.cancelGeneration = cancelGeneration;
  }
  return transfer->Done;
}

int TCustomComPort::StartReadText(QByteArray& text, int count, TPortTransfer* transfer) {
  text.resize(qMax(count, 0));
  if (count <= 0) return 0;
  return StartRead(text.data(), count, transfer);
}

int TCustomComPort::WaitForTransfer(TPortTransfer* transfer) {
  if (!transfer) {
    ReportError(CError_InvalidAsync, 0);
    return 0;
  }
  if (transfer->Read) return ContinueRead(transfer);
  if (transfer->QueuedWrite) FinishWrite(transfer);
  return transfer->Done;
}

// The rest of a read that waits for bytes, within its time-outs; returns the bytes read in all.
int TCustomComPort::ContinueRead(TPortTransfer* t) {
  const TPendingRead r = *t->Read;
  t->Read.reset();
  qint64 lastArrival = r.lastArrivalNs;
  int error = 0;
  while (t->Done < r.size && !error) {
    qint64 deadline = r.totalDeadlineNs;
    if (r.intervalNs && t->Done > 0 && (!deadline || lastArrival + r.intervalNs < deadline)) {
      deadline = lastArrival + r.intervalNs;
    }
    if (deadline && MonotonicNs() >= deadline) break;
    short revents = 0;
    const int waited = waits_.Wait(fd_, POLLIN, deadline, r.cancelGeneration, revents);
    if (waited == ETIMEDOUT) continue;
    if (waited == ECANCELED) break;
    error = waited;
    if (error) break;
    const ssize_t n = ::read(fd_, r.buffer + t->Done, size_t(r.size - t->Done));
    if (n > 0) {
      t->Done += int(n);
      lastArrival = MonotonicNs();
      if (r.endsOnFirstArrival) break;
    } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
      error = errno;
    } else if (revents & (POLLHUP | POLLERR | POLLNVAL)) {
      error = EIO;
    }
  }
  if (error) ReportError(CError_ReadFailed, error);
  return t->Done;
}

void TCustomComPort::FinishWrite(TPortTransfer* t) {
  const std::shared_ptr<TWriteJob> job = std::move(t->QueuedWrite);
  // The event thread drives the queue; a handler running on it has to drive it itself.
  const bool leaveToThread = thread_ && !thread_->IsCurrent();
  const TWriteQueue::Ended ended = writes_.Wait(*job, fd_, leaveToThread, waits_);
  t->Done = ended.done;
  if (ended.emptied) NotifyWritten();
  if (ended.error) ReportError(CError_WriteFailed, ended.error);
}

void TCustomComPort::CancelTransfers() {
  // Nothing to purge on a closed port; EBADF is what the driver would have said.
  if (fd_ < 0) {
    ReportError(CError_PurgeFailed, EBADF);
    return;
  }
  writes_.CancelAll();  // first, so that a cancelled wait finds its write ended
  waits_.CancelAll();
}

// The combined calls keep their transfer record on the stack, so it is released on every exit.

int TCustomComPort::WriteText(const QByteArray& text) {
  TPortTransfer transfer;
  StartWriteText(text, &transfer);
  return WaitForTransfer(&transfer);
}

int TCustomComPort::ReadBytes(void* buffer, int count) {
  TPortTransfer transfer;
  StartRead(buffer, count, &transfer);
  return WaitForTransfer(&transfer);
}

int TCustomComPort::ReadText(QByteArray& text, int count) {
  TPortTransfer transfer;
  QByteArray received;
  StartReadText(received, count, &transfer);
  const int n = WaitForTransfer(&transfer);
  received.truncate(n);
  text = received;
  return n;
}
