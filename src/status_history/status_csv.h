#pragma once
// Status replies as CSV, a header line and then a line a reply, for a spreadsheet: ASCII column
// names like the JSON keys of velt-cli, the signal level as the controller reported it (99: no
// level) beside its percentage of the gauge (empty without a level), bits as 1 and 0.
#include <QString>

struct StatusSample;

namespace StatusCsv {
QString Header();
QString Line(const StatusSample& sample);
}  // namespace StatusCsv

// Local time with its offset from UTC, to the second: "2025-03-01T14:05:09+01:00".
QString IsoLocalTime(qint64 msSinceEpoch);
