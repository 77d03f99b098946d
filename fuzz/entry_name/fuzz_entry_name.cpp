// Feeds arbitrary file names to the parser of history entry names.
//
// Besides the sanitizers: the parser accepts only names the writer makes, since the history's
// bound removes what it accepts. Any name it accepts, made again by the writer from what was
// parsed, is the input byte for byte; and the order it reads from the name agrees with the time.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "entry_name.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "entry name fault: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
  const std::optional<EntryName> name = ParseEntryFileName(QString::fromUtf8(input));
  if (!name) return 0;
  if (EntryFileName(*name).toUtf8() != input) Fail("an accepted name is not the one the writer makes");
  if (name->msSinceEpoch != name->label.time.toMSecsSinceEpoch()) Fail("the order differs from the time");
  if (input.size() > 255) Fail("accepted a name longer than a file name may be");
  return 0;
}
