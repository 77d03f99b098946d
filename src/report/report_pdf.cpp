#include "report_pdf.h"

#include <QBuffer>
#include <QHashSeed>
#include <QPdfWriter>

#include "pdf_metadata.h"
#include "report_document.h"
#include "report_pages.h"

std::optional<QByteArray> ReportPdf(const ReportData& data, QString* error) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  // The writer keeps its fonts in a hash and writes them in its order: with the process's random
  // seed two runs would order the embedded fonts differently.
  QHashSeed::setDeterministicGlobalSeed();
  {
    QPdfWriter writer(&buffer);
    writer.setTitle(QString::fromUtf8(ReportTitle));
    writer.setCreator(QStringLiteral("velt"));
    writer.setResolution(1200);
    writer.setPdfVersion(QPagedPaintDevice::PdfVersion_A1b);
    if (!PaintReport(data, writer, error)) {
      QHashSeed::resetRandomGlobalSeed();
      return std::nullopt;
    }
  }
  QHashSeed::resetRandomGlobalSeed();
  QByteArray pdf = buffer.data();
  const PdfInfo info{QString::fromUtf8(ReportTitle), data.technician, data.site ? data.site->id : QString(),
                     QStringLiteral("velt"), data.made};
  if (!SetPdfInfo(pdf, info)) {
    if (error) *error = QStringLiteral("Nie można zapisać metadanych raportu PDF.");
    return std::nullopt;
  }
  return pdf;
}
