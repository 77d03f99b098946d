#pragma once
// The exchange as lines on stderr, for a human reading a failing test:
//   velt-sim   12.345 <- 47 01 04 37 33 31 35 31     (request in)
//   velt-sim   12.346 -> 67 01 02 54 38 FD           (bytes out)
//   velt-sim   12.346 -- restart: bootloader waits   (what happened)
// Times are seconds since the simulator started.
#include <QByteArray>
#include <QString>

#include "sim_clock.h"

class Trace {
 public:
  Trace(bool enabled, SimTime start) : enabled(enabled), start(start) {}
  void In(SimTime at, const QByteArray& frame) const { Line(at, "<-", frame.toHex(' ').toUpper()); }
  void Out(SimTime at, const QByteArray& bytes) const { Line(at, "->", bytes.toHex(' ').toUpper()); }
  void Note(SimTime at, const QString& text) const { Line(at, "--", text.toLocal8Bit()); }

 private:
  void Line(SimTime at, const char* tag, const QByteArray& text) const;

  bool enabled;
  SimTime start;
};
