#pragma once
// A pseudo-terminal for the tests: the port opens the slave path, the test plays the peer on
// the master side.
#include <QByteArray>

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

// CPU time of the whole process in milliseconds (every thread).
double ProcessCpuMs();
// Number of serial event threads (named "TComThread") running in this process.
int EventThreadCount();
// Where the first serial event thread is blocked in the kernel (/proc's wchan), e.g. a futex
// wait while it hands a batch over; empty when there is none.
QByteArray EventThreadWaitChannel();
