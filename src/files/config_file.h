#pragma once
// The configuration file: a snapshot of the window's configuration fields and its access password
// in a layout of its own (signature "gcf", string items with a length byte, the matrix as a
// string item of 5 bytes, five numbers, an output flags byte, the confirmation text, an option
// flags byte, and an XOR checksum as the last byte).
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

#include "config_record.h"

namespace ConfigFileFormat {
inline constexpr char ConfigSignature[] = "gcf";
inline constexpr char FirmwareSignature[] = "gfr";
inline constexpr int SignatureSize = 3;
inline constexpr int MinSize = 4;        // a signature and a checksum at least
inline constexpr int MaxSize = 8192;     // the file image buffer
inline constexpr int TextItemCount = 23; // the password and 22 record texts
inline constexpr int MatrixSize = 5;
}  // namespace ConfigFileFormat

struct ConfigFile {
  QByteArray password;  // the access password, in plain text
  ConfigRecord record;  // texts as Windows-1250 bytes

  bool operator==(const ConfigFile&) const = default;
};

// XOR of the bytes, starting from 0. A file with a good checksum XORs to 0 as a whole.
quint8 XorChecksum(QByteArrayView bytes);

// The whole file, checksum included. Each text is stored up to its first NUL (where a text read
// from the controller ends) and at most 255 bytes (what its length byte holds); the matrix, the
// times and the flags are taken from the record's values, missing bytes as 0; the output flags
// byte carries the confirmation bit of the options item.
QByteArray EncodeConfigFile(const ConfigFile& file);

// The file's items, walked from the signature on as the window loads them, for a file whose
// signature and checksum have been tested (see file_check.h); neither is tested here. Refused,
// with the reason in *reason (Polish, for the user), only when the file is shorter than 4 or longer than 8192 bytes, or
// when its items run past its end. Bytes left between the option flags byte and the checksum are
// passed over, and an item that reaches into the checksum byte takes it as it is. Reads nothing
// outside the data. The record's texts are the stored bytes as they are; the matrix is the first
// five bytes of its item, missing ones as 0; items 23 and 27 hold the controller's packing of the
// file's two flag bytes.
std::optional<ConfigFile> DecodeConfigFile(QByteArrayView data, QString* reason = nullptr);
