// Reads and writes of TCustomComPort. The handle is non-blocking: a read takes what is waiting;
// a write hands the driver what it takes and waits for room (POLLOUT) until its time-out.
#include "comport.h"

#include <QDeadlineTimer>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <unistd.h>

namespace {
qint64 NowMs() { return QDeadlineTimer::current().deadline(); }
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
  transfer->Direction = TPortTransfer::dirWrite;
  transfer->Data.clear();
  transfer->Size = count;
  transfer->Done = 0;
  transfer->CancelGeneration = cancelGeneration_;
  const qint64 timeout = timeouts_.WriteTimeout(count);
  transfer->Deadline = timeout > 0 ? NowMs() + timeout : 0;

  const ssize_t n = ::write(fd_, buffer, size_t(count));
  if (n < 0 && errno != EAGAIN && errno != EINTR) {
    ReportError(CError_WriteFailed, errno);
    return 0;
  }
  transfer->Done = int(qMax<ssize_t>(n, 0));
  if (transfer->Done == count) {
    NotifyWritten();
    return count;
  }
  // The rest goes out in WaitForTransfer, from a private copy: the caller's buffer may be gone.
  transfer->Data = QByteArray(static_cast<const char*>(buffer), count);
  return 0;
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
  transfer->Direction = TPortTransfer::dirRead;
  transfer->Done = 0;
  if (fd_ < 0) {
    ReportError(CError_PortNotOpen, -qint64(CError_PortNotOpen));
    return 0;
  }
  if (count <= 0) return 0;
  const ssize_t n = ::read(fd_, buffer, size_t(count));
  if (n < 0) {
    if (errno == EAGAIN || errno == EINTR) return 0;
    ReportError(CError_ReadFailed, errno);
    return 0;
  }
  transfer->Done = int(n);
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
  if (transfer->Direction == TPortTransfer::dirWrite && transfer->Done < transfer->Size) {
    if (ContinueWrite(transfer) == transfer->Size) NotifyWritten();
  }
  return transfer->Done;
}

// Writes the rest of a started write, waiting for room until its deadline; returns the bytes
// written in all. A time-out is no error: the caller gets what went out.
int TCustomComPort::ContinueWrite(TPortTransfer* t) {
  bool hungUp = false;
  while (t->Done < t->Size && t->CancelGeneration == cancelGeneration_) {
    if (fd_ < 0) {
      ReportError(CError_WriteFailed, EBADF);
      break;
    }
    const ssize_t n = ::write(fd_, t->Data.constData() + t->Done, size_t(t->Size - t->Done));
    if (n > 0) {
      t->Done += int(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) {
      ReportError(CError_WriteFailed, errno);
      break;
    }
    if (hungUp) {  // the device is gone but the driver still says "try again"
      ReportError(CError_WriteFailed, EIO);
      break;
    }
    int waitMs = -1;
    if (t->Deadline) {
      const qint64 left = t->Deadline - NowMs();
      if (left <= 0) break;
      waitMs = int(qMin<qint64>(left, INT_MAX));
    }
    pollfd p{fd_, POLLOUT, 0};
    const int r = ::poll(&p, 1, waitMs);
    if (r < 0 && errno != EINTR) {
      ReportError(CError_WriteFailed, errno);
      break;
    }
    if (r == 0) break;  // time-out
    hungUp = (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
  }
  return t->Done;
}

void TCustomComPort::CancelTransfers() {
  // Transfers run on the caller's thread, so none is inside the driver now; a write started
  // but not yet finished stops where it is when it is waited for.
  ++cancelGeneration_;
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
