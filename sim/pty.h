#pragma once
// A pseudo-terminal for the simulated line. The simulator keeps the slave side open itself:
// otherwise the master reads EIO whenever the last client closes the device, and a client
// that closes and reopens the port would find the controller gone.
#include <QString>

class Pty {
 public:
  Pty() = default;
  Pty(const Pty&) = delete;
  Pty& operator=(const Pty&) = delete;
  ~Pty() { Close(); }

  // Opens the master (non-blocking) and the slave, the slave in raw mode; false with the reason.
  bool Open(QString* error);
  void Close();

  int Master() const { return master; }
  QString SlavePath() const { return slavePath; }

 private:
  int master = -1;
  int slave = -1;
  QString slavePath;
};
