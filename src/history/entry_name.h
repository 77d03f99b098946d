#pragma once
// The name of a configuration kept in the history carries everything its listing shows, so that
// a folder of many entries is listed without reading one of them:
//
//   velt_<time>_<kind>_<port>_<firmware>_<telephone 1>_<SMS centre>[_<copy>].gcf
//
// time is the local time with its offset ("20250314-101530.123+0100"), kind one letter. The
// other fields are their bytes with everything but letters, digits, '+', '-' and '.' written as
// %XX; a field too long for a file name is cut and ends in '~' (the firmware caption between its
// characters). copy (2, 3, ...) tells apart two entries of one millisecond. A name the writer
// cannot have made is not velt's: it is neither listed nor ever removed.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <optional>

enum class EntryKind : char {
  Read = 'R',            // what a complete download found
  Written = 'W',         // what a complete upload wrote
  BeforeFirmware = 'F',  // what the controller held before a firmware update
};

struct EntryLabel {
  QDateTime time;        // local time, with the offset from UTC it had then
  EntryKind kind = EntryKind::Read;
  QByteArray port;       // the device path as the port was opened
  QString firmware;      // the caption the login reported; empty when none
  QByteArray phone1;     // Windows-1250 bytes, as the record holds them
  QByteArray smsCentre;

  bool operator==(const EntryLabel&) const = default;
};

struct EntryName {
  // The fields cut to fit the name, as bits of `cut`.
  enum : quint8 { CutPort = 1, CutFirmware = 2, CutPhone1 = 4, CutSmsCentre = 8 };

  EntryLabel label;
  quint8 cut = 0;
  int copy = 1;
  qint64 msSinceEpoch = 0;  // orders the entries
};

// The file name of an entry; copy 1 has no copy field.
QString EntryFileName(const EntryLabel& label, int copy = 1);
// The name a parsed name was read from, cut marks included.
QString EntryFileName(const EntryName& name);
// Nullopt for any name that EntryFileName cannot have made.
std::optional<EntryName> ParseEntryFileName(QStringView name);
