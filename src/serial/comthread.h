#pragma once
// The event thread of an open port: it waits in the kernel for room for queued writes, a write
// deadline, a vanished device or the stop request, drives the port's write queue and delivers
// each batch of events by the port's SyncMethod. Received data it watches only under smNone,
// where the handlers run on it; otherwise the owner thread's event loop watches it (a reply
// then wakes one thread, not two), and its batches join the same delivery. A port that wants no
// events starts one with none for its first write that has to wait: it only drives the writes.
#include "comport_types.h"
#include "receive_watch.h"
#include "termios_line.h"
#include "write_queue.h"

#include <QEvent>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

class TCustomComPort;

// A plain thread rather than a QThread: its end is then a join that every tool can see, and the
// thread can be told apart from the UI thread without asking Qt.
class TComThread final : private TWriteWatcher {
 public:
  // One delivery: events, and whether the device has vanished (the thread's last delivery).
  struct Batch {
    TComEvents events;
    bool deviceGone = false;
    bool IsEmpty() const { return events.IsEmpty() && !deviceGone; }
    void Add(const Batch& other) {
      events |= other.events;
      deviceGone |= other.deviceGone;
    }
  };

  // Posted to the port: run the batch handed over by the event thread (smThreadSync).
  static QEvent::Type BatchEventType();
  // Posted to the port, one per event, and one when the device has vanished (smWindowSync).
  static QEvent::Type EventMessageType();
  struct EventMessage : QEvent {
    EventMessage(std::optional<TComEvent> e, quint64 g)
        : QEvent(EventMessageType()), event(e), generation(g) {}
    std::optional<TComEvent> event;  // none: the device has vanished
    quint64 generation;
  };

  // Takes what it needs from the port now (handle, delivery method, write queue, the priority)
  // and sets up its watch for `events` and its thread, which waits for Start before it
  // watches. StartError() is the errno of a failed set-up, 0 otherwise.
  TComThread(TCustomComPort* port, TComEvents events);
  ~TComThread();  // stops the thread and waits for its end
  int StartError() const { return startError_; }
  void Start();
  // Whether the caller runs on this thread (a handler under smNone).
  bool IsCurrent() const;
  // The last holder lets go on the thread itself: it deletes itself once it has ended.
  void DeleteWhenEnded() { orphaned_ = true; }

  void StopEventThread();
  // UI thread, after StopEventThread: waits for the thread to end, then runs a batch that was
  // handed over and not run yet, with received data that came meanwhile, so that it completes
  // while the port is still open (without the hang-up report: the owner is closing anyway).
  void WaitForEnd();
  // UI thread: runs the batch handed over, if any.
  void RunPendingBatch(bool closing = false);
  // UI thread, from the line's watch: received data has come.
  void Arrived();
  // UI thread: a read took bytes from a full input buffer.
  void MadeRoom();
  // A write has finished: report the empty output if that event is wanted.
  void NotifyWritten();
  // UI thread (smWindowSync): the message for `event` is being handled; a later one may follow.
  void MessageTaken(TComEvent event);
  // UI thread: an event posted by an event thread has come (before reading it).
  static void TakePosted();

 private:
  void Run();
  void WatchLine();
  void WatchWrites(qint64 deadlineNs) override;
  void IgnoreWrites() override;
  void SetTimer(qint64 deadlineNs);  // 0: disarmed
  // What received data brings: evRxChar, with line errors and breaks from the driver's counters
  // (where it keeps them) and evRx80Full. `held` bytes wait ahead of the driver, which holds
  // nothing more when `drained`.
  TComEvents InputEvents(int held, bool drained);
  // UI thread: the events of what the line's watch takes in now; none when nothing came.
  TComEvents TakeIn(bool closing);
  void DeliverEvents(const Batch& batch);
  // Adds to the batch that waits for the UI thread or, while that one runs, to the one after
  // it. Returns whether one was waiting or running already.
  bool Queue(const Batch& batch);
  void HandOver(const Batch& batch);
  void SendEventMessages(const Batch& batch);
  void FireEvents(const Batch& batch, bool closing);
  bool PortClosed() const;
  void Post(QEvent* event);
  void Wake();

  TCustomComPort* port_;
  TWriteQueue& writes_;
  const int fd_;
  const TComEvents wanted_;
  const TSyncMethod syncMethod_;
  const quint64 generation_;
  const int rx80Level_;
  const QThread::Priority priority_;
  // Line errors and breaks show in the driver's counters, where it keeps them. Used by the
  // thread that watches received data.
  bool watchErrors_ = false;
  TermiosLine::Counters counters_;
  std::unique_ptr<TReceiveWatch> watch_;  // received data, on the UI thread
  int wakeFd_ = -1;   // eventfd: stop request, finished write
  int timerFd_ = -1;  // the earliest deadline of the queued writes
  int writeFd_ = -1;  // a duplicate of the port's handle, watched for room while writes wait
  int epollFd_ = -1;
  int startError_ = 0;
  std::atomic<bool> txDone_{false};
  std::atomic<bool> stopping_{false};
  bool orphaned_ = false;  // the thread's own: delete at its end
  std::atomic<quint32> posted_{0};  // smWindowSync: events with a message not yet handled

  // Guarded by mutex_: the start gate, and the hand-over to the UI thread (smThreadSync). One
  // batch at a time: events that come while one is with the UI thread are held, and become the
  // next batch when it is done.
  std::mutex mutex_;
  std::condition_variable startOrStop_;
  bool go_ = false;       // Start has run
  bool pending_ = false;  // a batch waits for the UI thread or runs there
  bool started_ = false;  // the UI thread has begun running it
  Batch batch_;
  Batch held_;
  std::thread thread_;  // runs Run()
};
