#pragma once
// Where velt-cli's report goes: an existing file is kept unless --force, a symbolic link is never
// followed into a file (with --force the link itself is replaced), and the report's own source
// is never replaced. A link to a device or a FIFO (/dev/stdout) is written into, as any stream.
#include <QByteArrayView>
#include <QDateTime>
#include <QString>
#include <optional>

// Throws CliError (Error) when the report may not go there; before anything is read or asked.
void CheckReportOutput(const QString& output, const QString& source, bool force);

// Writes the report there as CheckReportOutput allowed it; throws CliError.
void SaveReport(const QString& output, QByteArrayView pdf);

// The report's time from SOURCE_DATE_EPOCH, in UTC, so that the same source gives the same bytes
// anywhere; nullopt when it is not set (the report is then of now). Throws CliError (Usage) for
// anything but whole seconds from 0 to the last second of the year 9999.
std::optional<QDateTime> SourceDateEpoch();
