#include "request_parser.h"

#include "frame.h"

QList<Request> RequestParser::Feed(char byte, SimTime at) {
  if (pending.isEmpty() && byte != Frame::RequestStart) return {};
  pending.append(byte);
  times.append(at);
  return Scan();
}

std::optional<SimTime> RequestParser::StaleAt() const {
  if (pending.isEmpty()) return std::nullopt;
  return times.last() + StaleAfter;
}

QList<Request> RequestParser::DropStale() {
  QList<Request> found;
  while (!pending.isEmpty()) {
    pending.remove(0, 1);
    times.removeFirst();
    found += Scan();
  }
  return found;
}

QList<Request> RequestParser::Scan() {
  QList<Request> found;
  for (;;) {
    const qsizetype start = pending.indexOf(Frame::RequestStart);
    if (start < 0) {
      pending.clear();
      times.clear();
      return found;
    }
    pending.remove(0, start);
    times.remove(0, start);
    if (pending.size() < 3) return found;
    const qsizetype size = quint8(pending[2]) + Frame::Overhead;
    if (pending.size() < size) return found;
    if (Frame::Checksum(pending.constData(), size - 1) == quint8(pending[size - 1])) {
      found.append({quint8(pending[1]), pending.mid(3, size - Frame::Overhead), times[size - 1]});
      pending.remove(0, size);
      times.remove(0, size);
    } else {
      ++ignored;
      pending.remove(0, 1);
      times.removeFirst();
    }
  }
}
