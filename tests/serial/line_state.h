#pragma once
// What the driver holds for an open descriptor, read with the C library's termios and, for the
// speed, with termios2 (any rate).
#include <QtGlobal>

struct LineState {
  unsigned cflag = 0, iflag = 0, oflag = 0, lflag = 0;
  unsigned char vmin = 0, vtime = 0, vstart = 0, vstop = 0;
  int speed = 0;        // bits per second from termios2
  bool nonBlocking = false;
  bool exclusive = false;
};

bool ReadLineState(int fd, LineState& state);
