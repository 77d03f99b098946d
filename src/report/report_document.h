#pragma once
// The report as a text document of A4 pages: what both the PDF and the printer receive.
#include <QPageLayout>
#include <QString>
#include <memory>

#include "report_data.h"

class QTextDocument;

inline constexpr char ReportTitle[] = "Raport przekazania sterownika VELT";

// A4 with its margins: the writer's and the printer's page.
QPageLayout ReportPageLayout();
// The body in HTML (its chart as the image "velt:signal").
QString ReportHtml(const ReportData& data);
// Laid out on A4 in the report's font; nullptr with the user's message when the font is missing.
std::unique_ptr<QTextDocument> ReportDocument(const ReportData& data, QString* error);
