#include "reply_assembler.h"

#include "frame.h"

void ReplyAssembler::Clear() {
  RxAccumulator.clear();
  StartFound = false;
}

std::optional<Reply> ReplyAssembler::Feed(const QByteArray& bytes) {
  RxAccumulator.append(bytes);
  if (!StartFound) {
    const qsizetype start = RxAccumulator.indexOf(Frame::ReplyStart);
    if (start < 0) {
      RxAccumulator.clear();  // nothing here can begin a reply
      return std::nullopt;
    }
    RxAccumulator.remove(0, start);
    StartFound = true;
  }
  const qsizetype have = RxAccumulator.size();
  if (have < 3) return std::nullopt;  // command and length not both here yet
  const int length = quint8(RxAccumulator[2]);
  if (length > Frame::MaxReplyPayload) {
    Clear();
    return std::nullopt;
  }
  const qsizetype checksumAt = 3 + length;
  if (have <= checksumAt) return std::nullopt;
  const bool good = Frame::Checksum(RxAccumulator.constData(), checksumAt) ==
                    quint8(RxAccumulator[checksumAt]);
  std::optional<Reply> reply;
  if (good) reply = Reply{quint8(RxAccumulator[1]), RxAccumulator.mid(3, length)};
  Clear();  // bytes after the checksum go with it
  return reply;
}
