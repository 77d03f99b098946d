#pragma once
// The simulated controller on a pseudo-terminal, served by a thread of its own; the whole
// simulator for in-process use by tests, and the core of the velt-sim program.
//
//   Simulator sim({.faults = {"drop=80x1"}});
//   QString error;
//   QVERIFY2(sim.Start(&error), qPrintable(error));
//   ... open sim.DevicePath() like a serial port and talk to it ...
//   QVERIFY(sim.WaitForRequests(3, 5000));
//   QCOMPARE(sim.Requests()[2].command, Cmd::Status);
//
// Every public function may be called from any thread.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

#include "controller.h"
#include "controller_state.h"
#include "faults.h"
#include "pty.h"
#include "request_parser.h"
#include "sim_clock.h"
#include "trace.h"

struct SimOptions {
  QByteArray password = DefaultPassword;  // of a new controller; a state file overrides it
  char version = DefaultVersion;          // firmware version character of the login reply
  int baud = 0;            // > 0: both directions take 10 bits per byte at this rate; 0: at once
  QString stateFile = {};  // when set, memory is loaded from it and saved to it after each change
  bool trace = false;      // the exchange on stderr
  QStringList faults = {};  // FAULT strings, see faults.h
  int stageStepMs = 300;   // modem start-up: time per stage, 0 to 19; 0: registered at once
  int bootloaderQuietMs = 5000;  // the bootloader gives up after this long without a block
  quint32 seed = 1;        // the status bytes change pseudo-randomly from this seed
  int requestLogLimit = 10000;  // the most recent requests kept for Requests(); 0: none
  // Called on the serving thread when serving ends by itself (the line hung up or failed),
  // not by Stop().
  std::function<void()> onEnded = nullptr;
};

struct LoggedRequest {
  qint64 ms = 0;  // monotonic clock at its last byte (as NowMs, or a started QElapsedTimer's msecsSinceReference)
  quint8 command = 0;
  QByteArray payload;
};

class Simulator {
 public:
  explicit Simulator(SimOptions options = {});
  ~Simulator();
  Simulator(const Simulator&) = delete;
  Simulator& operator=(const Simulator&) = delete;

  // Loads the state file, opens the pseudo-terminal and starts serving; false with the reason.
  bool Start(QString* error);
  void Stop();
  QString DevicePath() const { return pty.SlavePath(); }
  bool Serving() const { return serving; }  // false once stopped, hung up or the line failed

  // The most recent requests received (frames with a good checksum), oldest first; at most
  // SimOptions::requestLogLimit of them.
  QList<LoggedRequest> Requests() const;
  // How many requests have arrived, kept or not, since the simulator was made or last cleared.
  qint64 RequestCount() const;
  void ClearRequests();  // empties the log and sets the count to 0
  // Waits until RequestCount() reaches count; false if the time ran out first.
  bool WaitForRequests(qint64 count, int timeoutMs) const;

  ControllerState State() const;
  void SetState(const ControllerState& state);  // saved to the state file when there is one
  bool InBootloader() const;
  // The image bytes of the firmware blocks received since the last restart, in block order
  // (64 bytes a block, a resent block once).
  QByteArray ReceivedFirmware() const;
  // The numbers of the firmware blocks whose "!" went out since the last restart request, in
  // order (a stray "!" is none).
  QList<quint8> AcknowledgedBlocks() const;

  // Replaces the active faults (their counts start afresh); false with the reason on a bad FAULT.
  bool SetFaults(const QStringList& faultTexts, QString* error = nullptr);
  // Status replies carry exactly these six bytes from now on; none: they move again.
  void SetFixedStatus(std::optional<QByteArray> status);

  static qint64 NowMs() { return MonotonicMs(SimClock::now()); }

 private:
  struct Chunk {
    SimTime at;  // when it is written to the line
    QByteArray bytes;
  };

  bool LoadStateFile(QString* error);
  void SaveStateFile();
  void Serve();
  bool Receive(SimTime now);
  void Advance(SimTime now);
  void Handle(const Request& request);
  void Queue(const QByteArray& bytes, SimTime due, int splitMs);
  void WriteDue(SimTime now);
  std::optional<SimTime> NextDeadline();
  bool HangupDue();
  void Wake();

  const SimOptions options;
  const std::chrono::nanoseconds byteTime;  // 10 bits at the line's rate, 0 when unpaced
  Pty pty;
  int wakeFd = -1;
  std::thread thread;
  std::atomic<bool> stopping{false};
  std::atomic<bool> serving{false};
  Trace trace;

  // Shared with callers, under mutex.
  mutable std::mutex mutex;
  mutable std::condition_variable logged;
  QList<LoggedRequest> log;
  qint64 requestCount = 0;
  Controller controller;
  Faults faults;
  QList<quint8> acknowledgedBlocks;
  int answeredSinceFaults = 0;  // requests handled since the faults were set
  bool saveStateFile = false;
  std::mutex saving;            // one save at a time, the latest state last

  // The serving thread's own.
  RequestParser parser;
  std::deque<Request> arrivals;  // complete, waiting for their time on a paced line
  std::deque<Chunk> outgoing;
  SimTime rxLineFree{}, txLineFree{};
  SimTime lastWrite{};
  std::optional<SimTime> hangupAt;
};
