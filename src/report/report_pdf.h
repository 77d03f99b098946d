#pragma once
// The report as PDF bytes: PDF/A-1b on A4, the DejaVu fonts embedded, the text selectable; its
// title, author (the technician), subject (the installation) and creation date (the report's, in
// UTC) in the document information and the XMP metadata. The same data gives the same bytes.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

#include "report_data.h"

// Nullopt with the user's message when the font cannot be loaded.
std::optional<QByteArray> ReportPdf(const ReportData& data, QString* error);
