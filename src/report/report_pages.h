#pragma once
// The report painted page by page on a PDF writer or a printer: the company's head, the body and
// a foot that names the installation, the report and the page.
#include <QString>

#include "report_data.h"

class QPagedPaintDevice;

// Sets the device's page layout and paints every page; false with the user's message when the
// font is missing or the device cannot be painted on.
bool PaintReport(const ReportData& data, QPagedPaintDevice& device, QString* error);

// "Strona N z M" and the rest of the foot of page N (1 the first) of M.
QString ReportFootText(const ReportData& data, int page, int pages);
