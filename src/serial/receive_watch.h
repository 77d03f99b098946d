#pragma once
// The line's received data, watched from the event loop of the port's owner thread
// (smThreadSync, smWindowSync): an arrival then wakes that thread alone, not the event thread
// first. Each arrival is taken at once into the port's input buffer, so the watch, which is
// level-triggered, fires once per arrival and not again for bytes left unread. A full buffer
// pauses it until a read makes room; meanwhile the driver's queue holds what comes.
#include "input_buffer.h"

#include <QSocketNotifier>
#include <functional>

class TReceiveWatch {
 public:
  // `arrived` runs on the owner thread, from its event loop, once Start has run.
  TReceiveWatch(int fd, TInputBuffer& input, std::function<void()> arrived);
  void Start();
  void Stop();  // for good, before the line's handle is closed
  void MadeRoom();  // a read took bytes from a full buffer

  struct Taken {
    bool bytes = false;  // new bytes were taken in
    int error = 0;       // errno of a failed read on a line that is still there
  };
  // Takes in what has arrived. A failed read or a vanished line stops the watch; reporting a
  // vanished line is the event thread's part.
  Taken TakeIn();

 private:
  void Update();

  const int fd_;
  TInputBuffer& input_;
  QSocketNotifier notifier_;
  bool running_ = false;
};
