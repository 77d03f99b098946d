// Feeds arbitrary notification batches to the reply assembler and checks every reply it hands on.
//
// Input: a sequence of batches, each a length byte n followed by n bytes (0xFF: the length is the
// next two bytes, little-endian, so single batches of any size up to 64 KiB occur); a short last
// batch takes what is left. The batches joined are the received stream.
//
// Besides the sanitizers, each batch is checked against a model of the start-byte rule that works
// on absolute stream positions and never drops anything: the assembler must dispatch exactly the
// reply the model finds, at the same batch. A reply must also have at most 100 payload bytes and
// its frame, checksum included, must occur as it stands in the stream.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>

#include <QByteArrayList>

#include "frame.h"
#include "reply_assembler.h"

namespace {

QByteArrayList SplitBatches(const uint8_t* data, size_t size) {
  QByteArrayList batches;
  size_t at = 0;
  while (at < size) {
    size_t length = data[at++];
    if (length == 0xFF) {
      length = at < size ? data[at++] : 0;
      length |= (at < size ? size_t(data[at++]) : 0) << 8;
    }
    if (length > size - at) length = size - at;
    batches.append(QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(length)));
    at += length;
  }
  return batches;
}

// The start-byte rule on absolute positions: a reply starts at the first "g" of a batch that
// arrives while none has begun; its length byte (at most 100) places the checksum; after the
// checksum byte, good or bad, the rest of that batch is dropped, as is a batch with a length
// byte over 100.
class Model {
 public:
  std::optional<Reply> Feed(const QByteArray& stream, qsizetype batchBegin, qsizetype batchEnd) {
    if (Start < 0) {
      Start = stream.indexOf(Frame::ReplyStart, batchBegin);
      if (Start >= batchEnd) Start = -1;
      if (Start < 0) return std::nullopt;
    }
    if (batchEnd - Start < 3) return std::nullopt;
    const int length = quint8(stream.at(Start + 2));
    if (length > Frame::MaxReplyPayload) {
      Start = -1;
      return std::nullopt;
    }
    const qsizetype checksumAt = Start + 3 + length;
    if (batchEnd <= checksumAt) return std::nullopt;
    quint8 sum = 0;
    for (qsizetype i = Start; i < checksumAt; ++i) sum = quint8(sum + quint8(stream.at(i)));
    std::optional<Reply> reply;
    if (sum == quint8(stream.at(checksumAt)))
      reply = Reply{quint8(stream.at(Start + 1)), stream.mid(Start + 3, length)};
    Start = -1;
    return reply;
  }
  qsizetype FrameStart() const { return Start; }

 private:
  qsizetype Start = -1;
};

[[noreturn]] void Fail(const char* what, qsizetype batch) {
  std::fprintf(stderr, "assembler fault at batch %lld: %s\n", static_cast<long long>(batch), what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayList batches = SplitBatches(data, size);
  const QByteArray stream = batches.join();

  ReplyAssembler assembler;
  Model model;
  qsizetype batchBegin = 0;
  for (qsizetype i = 0; i < batches.size(); ++i) {
    const qsizetype batchEnd = batchBegin + batches[i].size();
    const std::optional<Reply> reply = assembler.Feed(batches[i]);
    const std::optional<Reply> expected = model.Feed(stream, batchBegin, batchEnd);
    if (reply != expected) Fail(reply ? "reply the start-byte rule does not give" : "reply lost", i);
    if (reply) {
      if (reply->payload.size() > Frame::MaxReplyPayload) Fail("payload over 100 bytes", i);
      const QByteArray frame = Frame::Reply(reply->command, reply->payload);
      const qsizetype at = batchEnd < frame.size()
                               ? -1
                               : stream.lastIndexOf(frame, batchEnd - frame.size());
      if (at < 0 || at + frame.size() <= batchBegin) Fail("reply not in this batch's stream", i);
    }
    // What is kept is exactly the begun reply, never more than one reply's worth.
    const QByteArray kept = model.FrameStart() < 0 ? QByteArray()
                                                   : stream.mid(model.FrameStart(),
                                                                batchEnd - model.FrameStart());
    if (assembler.Pending() != kept) Fail("pending bytes differ from the begun reply", i);
    if (assembler.FrameStartFound() != (model.FrameStart() >= 0)) Fail("start flag differs", i);
    if (kept.size() >= Frame::MaxReplyPayload + Frame::Overhead) Fail("more than one reply kept", i);
    batchBegin = batchEnd;
  }
  return 0;
}
