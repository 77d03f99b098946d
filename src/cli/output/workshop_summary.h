#pragma once
// The end of a many-port command: a table with a row per port (port, site, status, result or
// why it failed) and a count, or with --json one object per port.
#include <QByteArray>
#include <QList>
#include <QStringList>

#include "workshop_jobs.h"

// Returns the command's exit status: 0 when every port succeeded, else the highest of theirs.
// Throws CliError (Error) when the results cannot be written.
ExitStatus ShowSummary(Console& console, const QList<QByteArray>& ports, const QStringList& sites,
                       const QList<PortResult>& results);
