#pragma once
// A pseudo-terminal for the tests: the port opens the slave path, the test plays the peer on
// the master side.
#include <QByteArray>
#include <mutex>
#include <thread>

class PseudoTerminal {
 public:
  PseudoTerminal();
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  QByteArray SlavePath() const { return slavePath_; }
  int Master() const { return master_; }
  bool Write(const QByteArray& bytes);
  // Waits (up to timeoutMs) until `count` bytes have come, or until nothing more comes.
  QByteArray Read(int count, int timeoutMs = 5000);
  void CloseMaster();

 private:
  int master_ = -1;
  QByteArray slavePath_;
};

// The peer that keeps up: reads everything the port sends, on a thread of its own, from its
// construction on.
class PeerReader {
 public:
  explicit PeerReader(const PseudoTerminal& pty);
  ~PeerReader();
  PeerReader(const PeerReader&) = delete;
  PeerReader& operator=(const PeerReader&) = delete;

  QByteArray Received();
  int Count();

 private:
  void Run();
  const int master_;
  const int stop_;
  std::mutex mutex_;
  QByteArray received_;
  std::thread thread_;
};

// CPU time of the whole process in milliseconds (every thread).
double ProcessCpuMs();
// Number of serial event threads (named "TComThread") running in this process.
int EventThreadCount();
// How often the first serial event thread has gone to sleep in the kernel (its voluntary
// context switches); -1 when there is none.
long EventThreadSleeps();
// Whether the first serial event thread is asleep in epoll_wait (by /proc's wchan).
bool EventThreadInEpoll();
