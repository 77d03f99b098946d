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
// The printable part of that page in the layout's units (pixels at 96 per inch), and the parts of
// it that the head and the foot of every page take; the body has the rest.
QSizeF ReportPageSize();
double ReportHeadHeight(const ReportData& data);
inline constexpr double ReportFootHeight = 30;
QSizeF ReportBodySize(const ReportData& data);
// An empty document in the report's font, laid out in those units.
std::unique_ptr<QTextDocument> ReportTextDocument(const QString& family);
// The body in HTML (its chart as the image "velt:signal").
QString ReportHtml(const ReportData& data);
// The body laid out in pages of ReportBodySize in the report's font; nullptr with the user's message when the font is missing.
std::unique_ptr<QTextDocument> ReportDocument(const ReportData& data, QString* error);
