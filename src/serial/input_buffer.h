#pragma once
// Received bytes taken from the driver ahead of their reader. The line's watch on the port's
// owner thread (smThreadSync, smWindowSync) takes each arrival in as it is told of it, so that
// the watch, level-triggered, wakes once per arrival and not again for bytes left unread. Reads
// and the input count take these bytes first: to the port's user they still wait in the
// driver. Owner thread only.
#include <array>

class TInputBuffer {
 public:
  // As much as the driver's own queue: only when both are full does the driver's flow control
  // hold the peer back.
  static constexpr int Capacity = 4096;

  struct Filled {
    int bytes = 0;  // taken in now
    int error = 0;  // errno of a failed read
  };
  // Takes in what the driver holds, as far as there is room.
  Filled Fill(int fd);
  // Moves up to `count` bytes, oldest first, to `to`; returns how many.
  int Take(char* to, int count);
  int Size() const { return end_ - begin_; }
  bool Full() const { return Size() == Capacity; }
  void Clear() { begin_ = end_ = 0; }

  // Set while the batch runs that the watch made as it took bytes in: unless the buffer is
  // full, these are then every byte waiting, and the count needs no second look at the driver.
  void SetTakenIn(bool value) { takenIn_ = value; }
  bool HoldsAllWaiting() const { return takenIn_ && !Full(); }

 private:
  std::array<char, Capacity> bytes_;
  int begin_ = 0;
  int end_ = 0;
  bool takenIn_ = false;
};
