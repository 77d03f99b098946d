#pragma once
// The shared reader of configuration and firmware files: reads a whole file of at most 8192 bytes
// and tests its signature and its checksum, both, signature first. It shows nothing; the caller
// tells the user. Only regular files are opened, and nothing here ever blocks on a FIFO or device.
#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace FileCheck {

// What the window shows for a bad signature, and (after a beep) for a bad checksum.
inline constexpr QStringView BadFormatText = u"Zly format pliku";
inline constexpr QStringView BadChecksumText = u"Bląd CRC pliku konfiguracji";

enum class ReadFault {
  None,        // read whole
  Open,        // missing, no permission, ...: see error
  NotRegular,  // a directory, FIFO, device or socket
  TooLarge,    // over 8192 bytes; not read
  Read,        // the read failed
};

struct Result {
  ReadFault fault = ReadFault::None;
  QString error;             // when fault is set: what happened, the file's name and the system's reason
  int systemError = 0;       // the system's reason (errno) of an Open or Read fault
  QByteArray bytes;          // the file, when it was read
  bool signatureOk = false;  // the first three bytes are the signature, exactly
  bool checksumOk = false;   // the last byte is the XOR of all before it (4 bytes at least)

  bool readOk() const { return fault == ReadFault::None; }
  bool good() const { return readOk() && signatureOk && checksumOk; }
};

// The two tests on bytes already read.
Result Check(QByteArray bytes, QByteArrayView signature);

// Reads the file at path and makes both tests. signature: "gcf" or "gfr".
Result ReadAndCheck(const QString& path, QByteArrayView signature);

}  // namespace FileCheck
