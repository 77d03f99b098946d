// Feeds arbitrary server bytes to the COM-port option after its greeting and checks that the
// outcome does not depend on how the stream was cut.
//
// Input: the first byte picks the cut (its value modulo the rest's length + 1); the rest is what
// the server sent. Fed whole and fed in two pieces, the data, the answers and the state must be
// the same; the data is never longer than the input, and there is never more answer than
// request (a command gets at most one answer of its own size, and only when it changes
// something, so no two ends could loop).
#include <cstdint>
#include <cstdlib>

#include "com_port_option.h"

namespace {
struct Outcome {
  QByteArray data, reply;
  ComPortOption::State state;
};

Outcome Feed(const QByteArray& bytes, qsizetype cut) {
  ComPortOption option;
  option.Greeting();
  Outcome o;
  option.Feed(bytes.left(cut), o.data, o.reply);
  option.Feed(bytes.mid(cut), o.data, o.reply);
  o.state = option.state();
  if (o.state == ComPortOption::Refused && option.Problem().isEmpty()) std::abort();
  return o;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
  const qsizetype cut = qsizetype(data[0]) % (bytes.size() + 1);
  const Outcome whole = Feed(bytes, bytes.size());
  const Outcome split = Feed(bytes, cut);
  if (whole.data != split.data || whole.reply != split.reply || whole.state != split.state) std::abort();
  if (whole.data.size() > bytes.size()) std::abort();
  if (whole.reply.size() > bytes.size()) std::abort();
  return 0;
}
