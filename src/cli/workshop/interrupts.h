#pragma once
// Ctrl-C (SIGINT), SIGTERM and SIGHUP as events of the event loop: the signals are blocked in every
// thread and read from a signalfd, so nothing at all runs in a signal handler. They arrive
// wherever the program processes events, which every wait for the controller does.
#include <QObject>
#include <QString>
#include <functional>

class QSocketNotifier;

class Interrupts : public QObject {
 public:
  // First thing in main(), before any thread exists: threads inherit the blocked set.
  static void BlockSignals();

  // Relayed: for a thread of its own, which reads no signals but is handed those that the
  // program's own object took (Note, run in this object's thread).
  enum class Source { Signals, Relayed };
  explicit Interrupts(Source source = Source::Signals);
  ~Interrupts() override;

  int Count() const { return count_; }
  int FirstSignal() const { return first_; }
  // What the first signal was, for the message: "Ctrl-C", "SIGTERM", ...
  QString Cause() const;
  // A signal has come.
  void Note(int signal);
  // Run in the event loop for each signal, with the count so far.
  std::function<void(int count)> OnInterrupt;

  // Sleeps in the event loop for ms, or until a signal arrives; false when one did.
  bool Sleep(int ms);

 private:
  void Take();

  int fd_ = -1;
  QSocketNotifier* notifier_ = nullptr;
  int count_ = 0;
  int first_ = 0;
  std::function<void()> wake_;
};
