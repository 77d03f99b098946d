#pragma once
// The event thread of an open port: it waits in the kernel for received data, a finished write,
// a vanished device or the stop request, and delivers each batch of events by the port's
// SyncMethod.
#include "comport_types.h"

#include <QEvent>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <mutex>

class TCustomComPort;

class TComThread : public QThread {
 public:
  // Posted to the port: run the batch handed over by the event thread (smThreadSync).
  static QEvent::Type BatchEventType();
  // Posted to the port, one per event (smWindowSync).
  static QEvent::Type EventMessageType();
  struct EventMessage : QEvent {
    EventMessage(TComEvent e, quint64 g) : QEvent(EventMessageType()), event(e), generation(g) {}
    TComEvent event;
    quint64 generation;
  };

  // Takes what it needs from the port now (handle, events, delivery method); the thread is
  // started by Start. StartError() is the errno of a failed set-up, 0 otherwise.
  explicit TComThread(TCustomComPort* port);
  ~TComThread() override;
  int StartError() const { return startError_; }
  void Start();

  void StopEventThread();
  // UI thread: runs handed-over batches until the thread has ended, then joins it.
  void WaitForEnd();
  // UI thread: runs the batch waiting for it, if any.
  void RunPendingBatch();
  // A write has finished: report the empty output if that event is wanted.
  void NotifyWritten();

  // Runs the current batch's handlers in their fixed order.
  void FireEvents();

 protected:
  void run() override;

 private:
  bool RunEventLoop();  // false when a handler failed
  bool DeliverEvents();  // false when a handler failed: the thread then ends
  bool HandOver();
  void SendEventMessages();

  TCustomComPort* port_;
  const int fd_;
  const TComEvents wanted_;
  const TSyncMethod syncMethod_;
  const quint64 generation_;
  const int rx80Level_;
  int wakeFd_ = -1;   // eventfd: stop request or finished write
  int epollFd_ = -1;
  int startError_ = 0;
  TComEvents batch_;
  std::atomic<bool> txDone_{false};
  std::atomic<bool> stopping_{false};
  bool closedFromHandler_ = false;  // stopped by a handler running on this thread

  // Hand-over to the UI thread (smThreadSync), guarded by mutex_.
  std::mutex mutex_;
  std::condition_variable changed_;
  bool pending_ = false;  // a batch waits for the UI thread
  bool started_ = false;  // the UI thread has begun running it
  bool failed_ = false;   // a handler of the batch threw
  bool ended_ = false;    // the thread has left its loop
  bool closingInsideBatch_ = false;  // a handler of the running batch closes the port
};
