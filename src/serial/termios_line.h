#pragma once
// The Linux calls behind the port: line settings through termios2 (any speed), modem lines,
// the input count and the driver's line-error counters. Each returns 0 or the errno value.
#include "comport_types.h"

#include <QByteArray>

namespace TermiosLine {

struct Settings {
  int speed = 9600;           // bits per second, listed or not
  int dataBits = 8;           // 5 to 8
  TParityBits parity = prNone;
  bool parityCheck = false;   // check received parity (a bad byte reads as 0)
  bool twoStopBits = false;
  bool rtsCts = false;        // hardware handshake, both directions
  bool xonXoffOut = false;    // obey XOFF from the peer
  bool xonXoffIn = false;     // send XOFF when our input fills
  char xonChar = 17;
  char xoffChar = 19;
  bool dtr = false;           // output line levels set after the line settings
  bool rts = false;
};

// The frame, speed and flow-control bits of the settings laid over c_cflag and c_iflag; other
// bits are kept. Apply uses it; it is separate because a pseudo-terminal does not keep the
// character size or parity enable, so only here can they be seen.
void Translate(const Settings& settings, unsigned& cflag, unsigned& iflag);

// Raw mode (no canonical input, echo, signals or translation; reads return at once) with the
// given frame, speed, flow control and line levels.
int Apply(int fd, const Settings& settings);

// The line's whole termios as the driver holds it, and that state put back at once (without
// waiting for output: the line may be gone). Save leaves state empty on failure.
int Save(int fd, QByteArray& state);
int Restore(int fd, const QByteArray& state);

// TIOCM_DTR or TIOCM_RTS; a device without modem lines has nothing to drive (returns 0).
int SetModemLine(int fd, int line, bool on);

// The TIOCM_* input lines; none on a device without modem lines.
int ReadModemLines(int fd, int& lines);

int InputCount(int fd, int& count);
// Bytes written but not yet sent by the driver; a pseudo-terminal or a USB adapter reports them
// gone while they may still be on their way.
int OutputCount(int fd, int& count);

// Line-error counters of drivers that keep them (others fail with ENOTTY or EINVAL).
struct Counters {
  int frame = 0, overrun = 0, parity = 0, brk = 0, bufOverrun = 0;
};
int ReadCounters(int fd, Counters& counters);

// Whether the line is gone (hung up): it then reads as empty, and only poll tells the two apart.
bool HungUp(int fd);

// Whether an errno from a modem-line or counter ioctl means the device has no such thing.
bool NotSupported(int error);

}  // namespace TermiosLine
