#pragma once
// Waits of transfers for the line (room to write, bytes to read) that another thread can cut
// short: CancelTransfers must end them wherever they run, the event thread included, so that
// closing a port never waits for a read or write time-out.
#include <QtGlobal>
#include <mutex>
#include <vector>

// The monotonic clock in nanoseconds: transfer deadlines and the event thread's write timer.
qint64 MonotonicNs();

class TLineWaits {
 public:
  // How many times CancelAll has run; a transfer notes it when it starts.
  quint64 Generation();

  // Waits until `fd` reports one of `events` (its revents then go to `revents`), until
  // `deadlineNs` (0: no limit) or until CancelAll has run since `generation`. Returns 0,
  // ETIMEDOUT, ECANCELED, or the errno of a wait that could not be made.
  int Wait(int fd, short events, qint64 deadlineNs, quint64 generation, short& revents);

  // Ends every wait now running and every later one of a transfer started before this call.
  void CancelAll();

 private:
  std::mutex mutex_;
  quint64 generation_ = 0;
  std::vector<int> waiting_;  // one eventfd per running wait, signalled by CancelAll
};
