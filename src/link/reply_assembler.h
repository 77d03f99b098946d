#pragma once
// Cuts controller replies out of the received byte stream.
//
// The stream has no escaping: a reply starts at the first "g" seen while no reply has begun,
// its length byte (at most 100) says where the checksum byte is, and after each reply, good
// or bad, everything received so far is dropped. Bytes ahead of the start byte are dropped as
// soon as the start is found, so positions never exceed one reply (104 bytes) whatever the
// size of a batch, and nothing that the start-byte rule could find is lost.
#include <QByteArray>
#include <optional>

struct Reply {
  quint8 command = 0;
  QByteArray payload;
  bool operator==(const Reply&) const = default;
};

class ReplyAssembler {
 public:
  // Appends one notification's bytes; returns the reply they complete, if any.
  std::optional<Reply> Feed(const QByteArray& bytes);

  const QByteArray& Pending() const { return RxAccumulator; }
  bool FrameStartFound() const { return StartFound; }
  void Clear();

 private:
  QByteArray RxAccumulator;  // starts with the reply's "g" while StartFound is set
  bool StartFound = false;
};
