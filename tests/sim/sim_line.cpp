#include "sim_line.h"

#include "sim_clock.h"
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include "frame.h"

SimLine::SimLine(const QString& path) {
  fd = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  termios tio{};
  if (fd < 0 || tcgetattr(fd, &tio) != 0) {
    error = QString::fromLocal8Bit(strerror(errno));
    Close();
    return;
  }
  cfmakeraw(&tio);
  tio.c_cflag |= CLOCAL | CREAD;
  cfsetspeed(&tio, B1200);
  if (tcsetattr(fd, TCSANOW, &tio) != 0) {
    error = QString::fromLocal8Bit(strerror(errno));
    Close();
  }
}

SimLine::~SimLine() { Close(); }

void SimLine::Close() {
  if (fd >= 0) ::close(fd);
  fd = -1;
}

bool SimLine::Write(const QByteArray& bytes) {
  return fd >= 0 && ::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size();
}

bool SimLine::Send(quint8 command, const QByteArray& payload) { return Write(Frame::Request(command, payload)); }

bool SimLine::Fill(qint64 deadline) {
  if (fd < 0 || ended) return false;
  const qint64 left = deadline - MonotonicMs(SimClock::now());
  if (left < 0) return false;
  pollfd p{fd, POLLIN, 0};
  if (::poll(&p, 1, int(left)) <= 0) return false;
  char buffer[512];
  const ssize_t n = ::read(fd, buffer, sizeof buffer);
  if (n <= 0) {
    ended = !(n < 0 && errno == EAGAIN);
    return false;
  }
  pending.append(buffer, n);
  return true;
}

QByteArray SimLine::ReadFrame(int timeoutMs, QByteArray* skipped) {
  const qint64 deadline = MonotonicMs(SimClock::now()) + timeoutMs;
  for (;;) {
    const qsizetype start = pending.indexOf(Frame::ReplyStart);
    if (start >= 0 && pending.size() >= start + 3) {
      const qsizetype size = quint8(pending[start + 2]) + Frame::Overhead;
      if (pending.size() >= start + size) {
        if (skipped) *skipped = pending.left(start);
        const QByteArray frame = pending.mid(start, size);
        pending.remove(0, start + size);
        return frame;
      }
    }
    if (!Fill(deadline)) return {};
  }
}

QByteArray SimLine::ReadBytes(int count, int timeoutMs) {
  const qint64 deadline = MonotonicMs(SimClock::now()) + timeoutMs;
  while (pending.size() < count && Fill(deadline)) {
  }
  const QByteArray bytes = pending.left(count);
  pending.remove(0, bytes.size());
  return bytes;
}

QByteArray SimLine::ReadFor(int ms) {
  const qint64 deadline = MonotonicMs(SimClock::now()) + ms;
  while (Fill(deadline)) {
  }
  const QByteArray bytes = pending;
  pending.clear();
  return bytes;
}

bool SimLine::HungUp(int timeoutMs) {
  const qint64 deadline = MonotonicMs(SimClock::now()) + timeoutMs;
  while (Fill(deadline)) {
  }
  return ended;
}

QByteArray SimLine::Ask(quint8 command, const QByteArray& payload, int timeoutMs) {
  if (!Send(command, payload)) return {};
  return ReadFrame(timeoutMs);
}
