#include "status_history.h"

#include <algorithm>

StatusReply StatusSample::Reply() const {
  return *DecodeStatusReply(QByteArray(reinterpret_cast<const char*>(bytes.data()), StatusReplySize));
}

StatusHistory::StatusHistory(int capacity, StatusClock clock) : capacity_(qMax(1, capacity)), clock_(std::move(clock)) {}

void StatusHistory::Record(const QByteArray& payload) { Record(payload, clock_()); }

void StatusHistory::Record(const QByteArray& payload, ClockReading now) {
  if (payload.size() < StatusReplySize) return;
  StatusSample sample;
  // The order of the ring is what the searches and the columns of a time line rely on: a
  // clock handed in that ran back must not break it.
  sample.monotonicMs = Size() ? qMax(now.monotonicMs, At(Size() - 1).monotonicMs) : now.monotonicMs;
  sample.wallMs = now.wallMs;
  std::copy_n(payload.cbegin(), StatusReplySize, sample.bytes.begin());
  if (Size() < capacity_) {
    samples_.push_back(sample);
  } else {
    samples_[size_t(oldest_)] = sample;
    oldest_ = (oldest_ + 1) % capacity_;
  }
  emit Changed();
}

void StatusHistory::Clear() {
  samples_.clear();
  oldest_ = 0;
  emit Changed();
}

qint64 StatusHistory::WallOffsetMs() const {
  if (Size() == 0) {
    const ClockReading now = clock_();
    return now.wallMs - now.monotonicMs;
  }
  const StatusSample& newest = At(Size() - 1);
  return newest.wallMs - newest.monotonicMs;
}

const StatusSample& StatusHistory::At(int i) const { return samples_[size_t((oldest_ + i) % Size())]; }

int StatusHistory::IndexFrom(qint64 timeMs) const {
  int low = 0, high = Size();
  while (low < high) {
    const int middle = (low + high) / 2;
    if (At(middle).monotonicMs < timeMs) low = middle + 1;
    else high = middle;
  }
  return low;
}

SignalStats StatusHistory::Stats(qint64 fromMs, qint64 toMs) const {
  SignalStats stats;
  qint64 sum = 0;
  for (int i = IndexFrom(fromMs); i < Size() && At(i).monotonicMs <= toMs; ++i) {
    const StatusSample& sample = At(i);
    ++stats.replies;
    if (!sample.HasLevel()) continue;
    const int level = sample.Level();
    stats.minimum = stats.withLevel ? qMin(stats.minimum, level) : level;
    stats.maximum = stats.withLevel ? qMax(stats.maximum, level) : level;
    sum += level;
    ++stats.withLevel;
  }
  if (stats.withLevel) stats.average = double(sum) / stats.withLevel;
  return stats;
}

SignalStats StatusHistory::LastMinute() const {
  if (Size() == 0) return {};
  const qint64 newestMs = At(Size() - 1).monotonicMs;
  return Stats(newestMs - MinuteMs + 1, newestMs);
}
