#pragma once
// The writes of a port that the driver did not take whole, in the order they were started. A
// write that finds the queue empty goes straight to the driver and, taken whole, never enters
// it; a later write never overtakes a queued one, so bytes reach the line whole and in order.
// The queue is driven whenever the line has room: by a watcher (the port's thread) while one is
// attached, else by whoever waits for a write. Each write ends at its own deadline with what
// went out by then.
#include <QByteArray>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

class TLineWaits;

// The rest of one write. The queue's lock guards every field.
struct TWriteJob {
  QByteArray data;        // a private copy: the caller's buffer may be gone
  int done = 0;           // bytes the driver has taken
  qint64 deadlineNs = 0;  // 0: no time-out
  int error = 0;          // errno of a failed write
  bool finished = false;
};

// Told, with the queue locked, that queued writes wait for room in the driver and for the
// earliest of their deadlines (0: none), or that none is left: an empty queue wakes nobody.
class TWriteWatcher {
 public:
  virtual void WatchWrites(qint64 deadlineNs) = 0;
  virtual void IgnoreWrites() = 0;

 protected:
  ~TWriteWatcher() = default;
};

class TWriteQueue {
 public:
  struct Started {
    int written = 0;                    // taken by the driver at once
    int error = 0;                      // errno of a write that failed at once
    std::shared_ptr<TWriteJob> queued;  // the write, when not taken whole
  };
  struct Ended {
    int done = 0;
    int error = 0;
    bool emptied = false;  // this call finished a write whole and left the queue empty
  };

  Started Start(int fd, const char* data, int count, qint64 timeoutMs);
  // Returns once `job` has finished. While a watcher is attached and `leaveToWatcher`, it
  // waits for the watcher; otherwise it drives the queue itself (a handler on the watcher's
  // own thread must, or nobody would).
  Ended Wait(TWriteJob& job, int fd, bool leaveToWatcher, TLineWaits& waits);

  void Attach(TWriteWatcher* watcher);
  void Detach(TWriteWatcher* watcher);  // its waiters then drive the queue themselves
  // The watcher's part, when the line has room, has hung up or a deadline has come. True when
  // a write finished whole and nothing is left.
  bool Drive(int fd, bool hungUp);

  // Ends every queued write with the bytes it moved so far.
  void CancelAll();

 private:
  bool DriveLocked(int fd, bool hungUp);
  void FinishLocked(TWriteJob& job);
  void TellWatcherLocked();
  qint64 EarliestDeadlineLocked() const;

  std::mutex mutex_;
  std::condition_variable finished_;
  std::deque<std::shared_ptr<TWriteJob>> jobs_;
  TWriteWatcher* watcher_ = nullptr;
};
