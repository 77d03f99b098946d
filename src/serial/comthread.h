#pragma once
// The event thread of an open port: it waits in the kernel for received data, a finished write,
// a vanished device or the stop request, and delivers each batch of events by the port's
// SyncMethod.
#include "comport_types.h"

#include <QEvent>
#include <QThread>
#include <atomic>
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
  // UI thread, after StopEventThread: waits for the thread to end, then runs a batch that was
  // handed over and not run yet, so that it completes while the port is still open.
  void WaitForEnd();
  // UI thread: runs the batch handed over, if any.
  void RunPendingBatch();
  // A handler of a handed-over batch threw; the thread has ended or is ending.
  bool Failed();
  // A write has finished: report the empty output if that event is wanted.
  void NotifyWritten();
  // UI thread (smWindowSync): the message for `event` is being handled; a later one may follow.
  void MessageTaken(TComEvent event);

  // Runs the current batch's handlers in their fixed order.
  void FireEvents();

 protected:
  void run() override;

 private:
  bool DeliverEvents(TComEvents events);  // false when a handler failed
  bool HandOver(TComEvents events);
  void SendEventMessages();
  void Wake();

  TCustomComPort* port_;
  const int fd_;
  const TComEvents wanted_;
  const TSyncMethod syncMethod_;
  const quint64 generation_;
  const int rx80Level_;
  int wakeFd_ = -1;   // eventfd: stop request, finished write, failed handler
  int epollFd_ = -1;
  int startError_ = 0;
  TComEvents batch_;  // the batch being delivered
  std::atomic<bool> txDone_{false};
  std::atomic<bool> stopping_{false};
  std::atomic<quint32> posted_{0};  // smWindowSync: events with a message not yet handled

  // Hand-over to the UI thread (smThreadSync), guarded by mutex_. One batch at a time: events
  // that come while one is with the UI thread are held, and become the next batch when it is done.
  std::mutex mutex_;
  bool pending_ = false;  // a batch waits for the UI thread or runs there
  bool started_ = false;  // the UI thread has begun running it
  bool failed_ = false;   // a handler of the batch threw
  TComEvents held_;
};
