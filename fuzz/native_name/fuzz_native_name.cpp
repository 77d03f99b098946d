// Feeds arbitrary bytes to the name decoder.
//
// Besides the sanitizers: every name comes back as the same bytes; a name that is valid UTF-8
// decodes as Qt decodes it, apart from a leading U+FEFF that Qt drops, and keeps no byte; a name
// that is not keeps at least one.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "native_name.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "name fault: %s\n", what);
  std::abort();
}

// A pair's low half may lie in the kept range too: it is a character, not a byte.
bool KeepsAByte(const QString& name) {
  for (qsizetype i = 0; i < name.size(); ++i)
    if (KeptByte(name[i].unicode()) >= 0 && !(i > 0 && name[i - 1].isHighSurrogate())) return true;
  return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  const QString name = NameFromBytes(bytes);
  if (NameBytes(name) != bytes) Fail("bytes -> name -> bytes differs");
  if (bytes.isValidUtf8()) {
    if (KeepsAByte(name)) Fail("valid UTF-8 kept as bytes");
    QString qt = QString::fromUtf8(bytes);
    if (name != qt && name != QChar(0xFEFF) + qt) Fail("valid UTF-8 decoded unlike Qt");
  } else if (!KeepsAByte(name)) {
    Fail("invalid UTF-8 kept no byte");
  }
  return 0;
}
