#include "input_buffer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

TInputBuffer::Filled TInputBuffer::Fill(int fd) {
  if (begin_ == end_) {
    Clear();
  } else if (end_ == Capacity) {
    std::memmove(bytes_.data(), bytes_.data() + begin_, size_t(Size()));
    end_ -= begin_;
    begin_ = 0;
  }
  if (end_ == Capacity) return {};
  for (;;) {
    const ssize_t n = ::read(fd, bytes_.data() + end_, size_t(Capacity - end_));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return {0, errno == EAGAIN ? 0 : errno};
    end_ += int(n);
    return {int(n), 0};
  }
}

int TInputBuffer::Take(char* to, int count) {
  const int n = std::clamp(count, 0, Size());
  if (n > 0) std::memcpy(to, bytes_.data() + begin_, size_t(n));
  begin_ += n;
  return n;
}
