#pragma once
// The report as PDF bytes: A4, the DejaVu fonts embedded, the text selectable. The same data
// gives the same bytes: the creation date is the report's own, and nothing else varies.
#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <optional>

#include "report_data.h"

// Nullopt with the user's message when the font cannot be loaded.
std::optional<QByteArray> ReportPdf(const ReportData& data, QString* error);

// Puts the time into the PDF's creation date in place, at the offset the writer used, so that no
// byte moves. False when the PDF holds no date of the writer's form.
bool StampCreationDate(QByteArray& pdf, const QDateTime& time);
