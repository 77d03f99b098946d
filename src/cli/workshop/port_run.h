#pragma once
// One port's visit in a many-port command, on a thread of its own. The thread owns the port
// component, its link and their session, and every wait of theirs runs that thread's event
// loop: the component hands each batch of line events to the thread that owns it
// (smThreadSync), the link's countdown timer ticks there, and what goes wrong on the line
// reaches that thread's handler. So a silent or slow controller holds up its own thread only.
// Threads rather than processes: one program of a few megabytes serves eight lines, and the
// plan (template, table, image) is read and checked once.
#include <QByteArray>
#include <QObject>
#include <QThread>
#include <functional>
#include <memory>

#include "workshop_jobs.h"

struct CliOptions;
class Interrupts;
class ProgressBoard;

class PortRun {
 public:
  PortRun(int index, QByteArray path, QByteArray password, const WorkshopJob& job, ProgressBoard& board,
          const CliOptions& options);
  ~PortRun();  // waits for the thread's end

  // Starts the thread; `ended` runs in the thread of `context` once it has ended.
  void Start(QObject* context, std::function<void()> ended);
  // From the main thread: a signal the program took, for the port's thread to see in its waits.
  void Relay(int signal);
  // Once ended.
  const PortResult& Result() const { return result_; }

 private:
  void Run();

  const int index_;
  const QByteArray path_, password_;
  const WorkshopJob& job_;
  ProgressBoard& board_;
  const CliOptions& options_;
  PortResult result_;
  std::unique_ptr<QThread> thread_;
  std::unique_ptr<Interrupts> interrupts_;  // lives in the port's thread
};
