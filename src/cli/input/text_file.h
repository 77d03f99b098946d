#pragma once
// A whole small file of text (a table of sites, a template), read without ever blocking on a
// FIFO or a device.
#include <QByteArray>
#include <QString>

inline constexpr qint64 MaxTextFileSize = 4 * 1024 * 1024;

// Throws CliError (Error) naming the file: missing, not a regular file, too large, unreadable.
QByteArray ReadTextFile(const QString& path);
