#include "pdf_metadata.h"

#include <QCryptographicHash>
#include <QList>
#include <QRegularExpression>
#include <algorithm>
#include <optional>
#include <tuple>

namespace {

// Where each object starts, as the cross-reference table says, and where that table is.
struct CrossReference {
  qsizetype table = -1;             // the "xref" keyword
  qsizetype startValue = -1;        // the number after "startxref"
  QList<qsizetype> entryPositions;  // of each object's ten-digit offset
};

qsizetype Number(const QByteArray& pdf, qsizetype at, qsizetype* end = nullptr) {
  qsizetype i = at;
  while (i < pdf.size() && pdf[i] == ' ') ++i;
  qsizetype value = 0, digits = 0;
  for (; i < pdf.size() && pdf[i] >= '0' && pdf[i] <= '9'; ++i, ++digits) value = value * 10 + (pdf[i] - '0');
  if (end) *end = i;
  return digits ? value : -1;
}

std::optional<CrossReference> ReadCrossReference(const QByteArray& pdf) {
  CrossReference x;
  const qsizetype start = pdf.lastIndexOf("startxref");
  if (start < 0) return std::nullopt;
  x.startValue = start + 9;
  while (x.startValue < pdf.size() && (pdf[x.startValue] == '\n' || pdf[x.startValue] == '\r')) ++x.startValue;
  x.table = Number(pdf, x.startValue);
  if (x.table < 0 || !pdf.mid(x.table).startsWith("xref")) return std::nullopt;
  qsizetype at = x.table + 4;
  const qsizetype first = Number(pdf, at + 1, &at);
  const qsizetype count = Number(pdf, at, &at);
  if (first != 0 || count < 1) return std::nullopt;
  while (at < pdf.size() && (pdf[at] == ' ' || pdf[at] == '\r' || pdf[at] == '\n')) ++at;
  for (qsizetype i = 0; i < count; ++i) x.entryPositions.append(at + 20 * i);
  return x;
}

qsizetype ObjectAt(const QByteArray& pdf, const CrossReference& x, qsizetype object) {
  if (object < 1 || object >= x.entryPositions.size()) return -1;
  return Number(pdf, x.entryPositions[object]);
}

// The object a key of the trailer or of an object refers to ("/Info 1 0 R").
qsizetype Reference(const QByteArray& pdf, qsizetype from, const QByteArray& key) {
  const qsizetype at = pdf.indexOf(key + ' ', from);
  return at < 0 ? -1 : Number(pdf, at + key.size() + 1);
}

// Replaces count bytes at position; what follows moves, and the table with it.
void Replace(QByteArray& pdf, CrossReference& x, qsizetype position, qsizetype count, const QByteArray& with) {
  const qsizetype delta = with.size() - count;
  pdf.replace(position, count, with);
  if (x.table > position) {
    x.table += delta;
    x.startValue += delta;
    for (qsizetype& entry : x.entryPositions) entry += delta;
  }
  for (const qsizetype entry : std::as_const(x.entryPositions)) {
    const qsizetype offset = Number(pdf, entry);
    if (offset > position) pdf.replace(entry, 10, QByteArray::number(offset + delta).rightJustified(10, '0'));
  }
  // The number after startxref, last in the file, may change its width.
  qsizetype end = 0;
  Number(pdf, x.startValue, &end);
  pdf.replace(x.startValue, end - x.startValue, QByteArray::number(x.table));
}

QByteArray TextString(const QString& text) {
  QByteArray utf16("\xFE\xFF", 2);
  for (const QChar c : text) utf16 += char(c.unicode() >> 8), utf16 += char(c.unicode() & 0xFF);
  return '<' + utf16.toHex().toUpper() + '>';
}

QByteArray Xml(const QString& text) { return text.toHtmlEscaped().toUtf8(); }

QByteArray InfoDictionary(const PdfInfo& info, const QByteArray& date, const QByteArray& producer) {
  QByteArray d = "<<\n";
  const auto entry = [&](const char* key, const QString& value) {
    if (!value.isEmpty()) d += QByteArray("/") + key + ' ' + TextString(value) + '\n';
  };
  entry("Title", info.title);
  entry("Author", info.author);
  entry("Subject", info.subject);
  entry("Creator", info.creator);
  entry("Producer", QString::fromLatin1(producer));
  d += "/CreationDate (D:" + date + "Z)\n/ModDate (D:" + date + "Z)\n>>";
  return d;
}

QByteArray Xmp(const PdfInfo& info, const QByteArray& date, const QByteArray& producer) {
  QByteArray x =
      "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>\n"
      "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
      "  <rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
      "    <rdf:Description xmlns:dc=\"http://purl.org/dc/elements/1.1/\" rdf:about=\"\">\n"
      "      <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" + Xml(info.title) + "</rdf:li></rdf:Alt></dc:title>\n";
  if (!info.author.isEmpty()) x += "      <dc:creator><rdf:Seq><rdf:li>" + Xml(info.author) + "</rdf:li></rdf:Seq></dc:creator>\n";
  if (!info.subject.isEmpty())
    x += "      <dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">" + Xml(info.subject) + "</rdf:li></rdf:Alt></dc:description>\n";
  x += "    </rdf:Description>\n"
       "    <rdf:Description xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\" rdf:about=\"\" xmp:CreatorTool=\"" + Xml(info.creator) +
       "\" xmp:CreateDate=\"" + date + "Z\" xmp:ModifyDate=\"" + date + "Z\"/>\n"
       "    <rdf:Description xmlns:pdf=\"http://ns.adobe.com/pdf/1.3/\" rdf:about=\"\" pdf:Producer=\"" + producer + "\"/>\n"
       "    <rdf:Description xmlns:pdfaid=\"http://www.aiim.org/pdfa/ns/id/\" rdf:about=\"\" pdfaid:part=\"1\" pdfaid:conformance=\"B\"/>\n"
       "  </rdf:RDF>\n"
       "</x:xmpmeta>\n"
       "<?xpacket end='w'?>\n";
  return x;
}

}  // namespace

bool SetPdfInfo(QByteArray& pdf, const PdfInfo& info) {
  std::optional<CrossReference> x = ReadCrossReference(pdf);
  if (!x) return false;
  const qsizetype trailer = pdf.indexOf("trailer", x->table);
  const qsizetype infoAt = ObjectAt(pdf, *x, Reference(pdf, trailer, "/Info"));
  const qsizetype catalog = ObjectAt(pdf, *x, Reference(pdf, trailer, "/Root"));
  if (trailer < 0 || infoAt < 0 || catalog < 0) return false;
  const qsizetype metadataAt = ObjectAt(pdf, *x, Reference(pdf, catalog, "/Metadata"));
  if (metadataAt < 0) return false;
  // The dictionary of the information, and the metadata stream with its length.
  const qsizetype infoOpen = pdf.indexOf("<<", infoAt), infoClose = pdf.indexOf(">>", infoOpen);
  const qsizetype lengthKey = pdf.indexOf("/Length ", metadataAt);
  qsizetype lengthEnd = 0;
  const qsizetype length = lengthKey < 0 ? -1 : Number(pdf, lengthKey + 8, &lengthEnd);
  qsizetype streamAt = pdf.indexOf("stream\n", metadataAt);
  if (infoOpen < 0 || infoClose < 0 || length < 0 || streamAt < 0) return false;
  streamAt += 7;
  static const QRegularExpression producerText(QStringLiteral("pdf:Producer=\"([^\"]*)\""));
  const QByteArray producer =
      producerText.match(QString::fromUtf8(pdf.mid(streamAt, length))).captured(1).toUtf8();
  const QByteArray date = info.created.toUTC().toString(QStringLiteral("yyyyMMddHHmmss")).toLatin1();
  const QByteArray isoDate = info.created.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")).toLatin1();
  const QByteArray xmp = Xmp(info, isoDate, producer);
  // From the end back, so that each position found above still holds.
  const QList<std::tuple<qsizetype, qsizetype, QByteArray>> edits{
      {streamAt, length, xmp},
      {lengthKey + 8, lengthEnd - lengthKey - 8, QByteArray::number(xmp.size())},
      {infoOpen, infoClose + 2 - infoOpen, InfoDictionary(info, date, producer)}};
  QList<std::tuple<qsizetype, qsizetype, QByteArray>> ordered = edits;
  std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) { return std::get<0>(a) > std::get<0>(b); });
  for (const auto& [position, count, with] : ordered) Replace(pdf, *x, position, count, with);
  // The file's identifier, random from the writer, from what the file holds: the same report,
  // the same bytes.
  static const QRegularExpression id(QStringLiteral("/ID \\[ ?<([0-9a-fA-F]+)> ?<([0-9a-fA-F]+)> ?\\]"));
  const qsizetype trailerNow = pdf.indexOf("trailer", x->table);
  const QRegularExpressionMatch found = id.match(QString::fromLatin1(pdf.mid(trailerNow)));
  if (found.hasMatch()) {
    const QByteArray digest = QCryptographicHash::hash(pdf.left(trailerNow), QCryptographicHash::Md5).toHex();
    for (const int part : {1, 2})
      if (found.capturedLength(part) == digest.size()) pdf.replace(trailerNow + found.capturedStart(part), digest.size(), digest);
  }
  return true;
}
