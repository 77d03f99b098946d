#include "receive_watch.h"

#include "termios_line.h"

TReceiveWatch::TReceiveWatch(int fd, TInputBuffer& input, std::function<void()> arrived)
    : fd_(fd), input_(input), notifier_(QSocketNotifier::Read) {
  notifier_.setSocket(fd);  // disabled until Start
  QObject::connect(&notifier_, &QSocketNotifier::activated, std::move(arrived));
}

void TReceiveWatch::Start() {
  running_ = true;
  Update();
}

void TReceiveWatch::Stop() {
  running_ = false;
  Update();
}

void TReceiveWatch::MadeRoom() { Update(); }

void TReceiveWatch::Update() { notifier_.setEnabled(running_ && !input_.Full()); }

TReceiveWatch::Taken TReceiveWatch::TakeIn() {
  if (input_.Full()) return {};
  const TInputBuffer::Filled filled = input_.Fill(fd_);
  if (filled.bytes > 0) {
    if (input_.Full()) Update();
    return {true, 0};
  }
  // Nothing: another read took the bytes first, or the line is gone (it then reads as empty,
  // or fails) and would wake the watch for ever.
  const bool gone = TermiosLine::HungUp(fd_);
  if (!gone && !filled.error) return {};
  Stop();
  return {false, gone ? 0 : filled.error};
}
