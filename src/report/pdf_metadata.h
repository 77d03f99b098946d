#pragma once
// The document information and the XMP metadata of a PDF that Qt's writer made (PDF/A-1b): its
// writer sets the title and the creator only, and dates them with the clock. Rewrites both in
// place with the report's own, the cross-reference table following what moved.
#include <QByteArray>
#include <QDateTime>
#include <QString>

struct PdfInfo {
  QString title, author, subject, creator;
  QDateTime created;  // written in UTC, in both places
};

// False when the PDF is not of the form the writer makes (no table, no information dictionary
// or no metadata stream); it is then as it was.
bool SetPdfInfo(QByteArray& pdf, const PdfInfo& info);
