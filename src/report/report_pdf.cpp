#include "report_pdf.h"

#include <QBuffer>
#include <QHashSeed>
#include <QPdfWriter>
#include <QRegularExpression>

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
    if (!PaintReport(data, writer, error)) {
      QHashSeed::resetRandomGlobalSeed();
      return std::nullopt;
    }
  }
  QHashSeed::resetRandomGlobalSeed();
  QByteArray pdf = buffer.data();
  StampCreationDate(pdf, data.made);
  return pdf;
}

bool StampCreationDate(QByteArray& pdf, const QDateTime& time) {
  // D:YYYYMMDDHHmmSS followed by Z, or by +HH'mm' or -HH'mm'.
  static const QRegularExpression date(QStringLiteral(R"(/CreationDate \(D:(\d{14})(Z|([+-])(\d\d)'(\d\d)')\))"));
  const QRegularExpressionMatch match = date.match(QString::fromLatin1(pdf.left(4096)));
  if (!match.hasMatch()) return false;
  int offset = 0;
  if (match.captured(2) != u"Z")
    offset = (match.captured(3) == u"-" ? -60 : 60) * (match.captured(4).toInt() * 60 + match.captured(5).toInt());
  const QByteArray digits = time.toOffsetFromUtc(offset).toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
  pdf.replace(match.capturedStart(1), digits.size(), digits);
  return true;
}
