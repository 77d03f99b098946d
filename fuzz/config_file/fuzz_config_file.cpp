// Feeds arbitrary bytes to the configuration file decoder and to the signature and checksum tests.
//
// Besides the sanitizers: the checksum test must agree with the XOR of the whole file; a refusal
// must give a reason; an accepted file must re-encode to a file that passes both tests, decodes
// again and is a fixed point of decoding and encoding; and a file that passes both tests and is
// laid out as velt writes it (no text cut at a NUL, a matrix of 5 bytes, nothing left before the
// checksum) must come back byte for byte, except for the flag bits that no box owns.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "config_file.h"
#include "file_check.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "config file fault: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));

  for (const char* signature : {ConfigFileFormat::ConfigSignature, ConfigFileFormat::FirmwareSignature}) {
    const FileCheck::Result check = FileCheck::Check(input.toByteArray(), signature);
    if (check.checksumOk != (size >= 4 && XorChecksum(input) == 0)) Fail("checksum test differs from the XOR");
    if (check.signatureOk != (size >= 3 && std::memcmp(data, signature, 3) == 0)) Fail("signature test differs");
  }
  const bool good = FileCheck::Check(input.toByteArray(), ConfigFileFormat::ConfigSignature).good();

  QString reason;
  const std::optional<ConfigFile> file = DecodeConfigFile(input, &reason);
  if (!file) {
    if (reason.isEmpty()) Fail("refused without a reason");
    return 0;
  }
  // The shortest walk: empty texts, an empty matrix, the checksum byte read as the option byte.
  if (size < 35 || size > size_t(ConfigFileFormat::MaxSize)) Fail("accepted a file of impossible size");
  if (file->record.value(ItemIndex::InputMatrix).size() != 5) Fail("matrix not 5 bytes");

  const QByteArray again = EncodeConfigFile(*file);
  // At most the matrix's missing bytes and an option byte of its own are added.
  if (size_t(again.size()) > size + ConfigFileFormat::MatrixSize + 1) Fail("the re-encoded file grew");
  if (!FileCheck::Check(again, ConfigFileFormat::ConfigSignature).good()) Fail("the re-encoded file fails its tests");
  const std::optional<ConfigFile> reread = DecodeConfigFile(again);
  if (!reread) Fail("the re-encoded file is refused");
  if (EncodeConfigFile(*reread) != again) Fail("encoding is not a fixed point");

  // Texts as they were (none cut at a NUL) and the same size: with a matrix of 5 bytes, nothing
  // can be left before the checksum either.
  const qsizetype confirmLength = file->record.value(ItemIndex::ConfirmText).size();
  const qsizetype matrixAt = qsizetype(size) - 15 - confirmLength;
  if (good && size_t(again.size()) == size && *reread == *file && quint8(input[matrixAt]) == 5) {
    const qsizetype outputsAt = qsizetype(size) - 4 - confirmLength;
    const qsizetype optionsAt = qsizetype(size) - 2;
    for (qsizetype i = 0; i < qsizetype(size); ++i) {
      const quint8 differ = quint8(input[i]) ^ quint8(again[i]);
      const quint8 owned = i == outputsAt ? 0x7F : i == optionsAt ? 0x07 : i == qsizetype(size) - 1 ? 0x00 : 0xFF;
      if (differ & owned) Fail("a good file does not come back byte for byte");
    }
  }
  return 0;
}
