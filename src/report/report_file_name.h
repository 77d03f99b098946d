#pragma once
// The name a saved report is offered under: the installation's ID and the report's date.
#include <QString>

#include "report_data.h"

// "KRK-0042_2026-12-08.pdf"; "raport_2026-12-08.pdf" without an installation. What a file name
// cannot hold (a slash, control characters) becomes '-'.
QString ReportFileName(const ReportData& data);
