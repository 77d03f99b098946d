#include "report_document.h"

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QLocale>
#include <QPageSize>
#include <QRegularExpression>
#include <QStringList>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextTable>
#include <QUrl>
#include <cmath>

#include "item_words.h"
#include "operator_presets.h"
#include "packings.h"
#include "record_compare.h"
#include "report_fonts.h"
#include "signal_picture.h"
#include "window_captions.h"

namespace {

using namespace WindowCaptions;
using ItemWords::Text;

const QString ChartName = QStringLiteral("velt:signal");
// The layout's units: pixels at 96 per inch, whatever the screen, so that the window and velt-cli
// lay a report out alike.
constexpr int LayoutDpi = 96;
constexpr int ChartWidth = 640, ChartHeight = 130;
constexpr int ChartSharpness = 4;  // image pixels a layout pixel
constexpr int CaptionPercent = 30;  // of a table of captions and values
constexpr int HalfCaptionPercent = 50;  // of one in half the page's width

// A text document laid out on a device of fixed resolution that lives as long as it does.
class FixedDpiDocument : public QTextDocument {
 public:
  FixedDpiDocument() : device_(1, 1, QImage::Format_RGB32) {
    device_.setDotsPerMeterX(qRound(LayoutDpi / 0.0254));
    device_.setDotsPerMeterY(qRound(LayoutDpi / 0.0254));
    documentLayout()->setPaintDevice(&device_);
  }

 private:
  QImage device_;
};

QString Escaped(const QString& text) { return text.toHtmlEscaped(); }

QString Heading(const WindowCaption& caption) { return QStringLiteral("<h2>%1</h2>").arg(Escaped(caption.Text())); }

// A table of caption and value rows.
QString Pairs(const QList<std::pair<QString, QString>>& rows, int captionPercent = CaptionPercent) {
  QString html = QStringLiteral("<table class='pairs' width='100%' cellspacing='0' cellpadding='2'>");
  for (const auto& [caption, value] : rows)
    html += QStringLiteral("<tr><td class='caption' width='%1%'>%2</td><td>%3</td></tr>")
                .arg(captionPercent).arg(Escaped(caption), Escaped(value));
  return html + QStringLiteral("</table>");
}

// Two parts side by side.
QString Beside(const QString& left, const QString& right) {
  return QStringLiteral("<table width='100%' cellspacing='0' cellpadding='0'><tr><td width='50%'>%1</td>"
                        "<td width='4%'></td><td width='46%'>%2</td></tr></table>")
      .arg(left, right);
}

// A grid with a header row; the first cell of each row is its caption.
QString Grid(const QStringList& header, const QList<QStringList>& rows, const QString& cellClass = QString()) {
  // The header row repeats over the rows that a page break carries over.
  QString html = QStringLiteral("<table class='grid' width='100%' cellspacing='0' cellpadding='3'><thead><tr>");
  for (const QString& cell : header) html += QStringLiteral("<th>%1</th>").arg(Escaped(cell));
  html += QStringLiteral("</tr></thead>");
  for (const QStringList& row : rows) {
    html += QStringLiteral("<tr><td class='caption'>%1</td>").arg(Escaped(row.front()));
    for (const QString& cell : row.mid(1)) html += QStringLiteral("<td class='%1'>%2</td>").arg(cellClass, Escaped(cell));
    html += QStringLiteral("</tr>");
  }
  return html + QStringLiteral("</table>");
}

// The company's telephone, e-mail and tax ID, which only the first page carries.
QString CompanyDetails(const ReportData& data) {
  if (!data.company) return {};
  const ReportCompany& c = *data.company;
  QStringList details;
  if (!c.phone.isEmpty()) details << QStringLiteral("tel. %1").arg(c.phone);
  if (!c.email.isEmpty()) details << QStringLiteral("e-mail: %1").arg(c.email);
  if (!c.taxId.isEmpty()) details << QStringLiteral("NIP: %1").arg(c.taxId);
  if (details.isEmpty()) return {};
  return QStringLiteral("<p class='company'>%1</p>").arg(Escaped(details.join(QStringLiteral(" · "))));
}

QString Head(const ReportData& data) {
  QList<std::pair<QString, QString>> rows;
  if (!data.number.isEmpty()) rows.append({QStringLiteral("Numer raportu"), data.number});
  if (data.site) {
    const QStringList named = QStringList{data.site->id, data.site->name}.filter(QRegularExpression(QStringLiteral("\\S")));
    rows.append({QStringLiteral("Instalacja"), named.join(QStringLiteral(" — "))});
    if (!data.site->address.isEmpty()) rows.append({QStringLiteral("Adres"), data.site->address});
    if (!data.site->contact.isEmpty()) rows.append({QStringLiteral("Kontakt"), data.site->contact});
  }
  rows.append({QStringLiteral("Data i godzina"), data.made.toString(QStringLiteral("dd.MM.yyyy, HH:mm"))});
  if (!data.technician.isEmpty()) rows.append({QStringLiteral("Technik"), data.technician});
  rows.append({Firmware.Text(), data.firmware.isEmpty() ? QStringLiteral("nieznana") : data.firmware});
  if (!data.source.isEmpty()) rows.append({QStringLiteral("Konfiguracja"), data.source});
  return Pairs(rows);
}

QString ControllerOptions(const ReportData& data) {
  const ConfigRecord& r = data.record;
  const QByteArray centre = TextOfValue(r.value(ItemIndex::SmsCentre));
  QList<std::pair<QString, QString>> rows{
      {Operator.Text(), QString::fromUtf8(OperatorPresets::Caption(OperatorPresets::EntryOfFileText(centre)))},
      {SmsCentre.Text(), Text(centre)},
      {Pin.Text(), ItemWords::Secret(r.value(ItemIndex::Pin), data.revealSecrets)}};
  if (!data.password.isEmpty()) rows.append({Password.Text(), ItemWords::Secret(data.password, data.revealSecrets)});
  return Heading(OptionsGroup) + Pairs(rows, HalfCaptionPercent);
}

QString PhonesAndLimits(const ConfigRecord& r) {
  QList<std::pair<QString, QString>> rows;
  for (int phone = 0; phone < 4; ++phone) rows.append({Phones[size_t(phone)].Text(), Text(r.value(ItemIndex::Phone1 + phone))});
  rows.append({LimitSms.Text(), ItemWords::Value(ItemIndex::LimitSms, r.value(ItemIndex::LimitSms), false)});
  rows.append({LimitVoice.Text(), ItemWords::Value(ItemIndex::LimitVoice, r.value(ItemIndex::LimitVoice), false)});
  return Heading(PhonesGroup) + Pairs(rows, HalfCaptionPercent);
}

QString InputTexts(const ConfigRecord& r) {
  QList<QStringList> rows;
  for (int input = 0; input < 5; ++input)
    rows.append({Inputs[size_t(input)].Text(), Text(r.value(ItemIndex::In1OnText + input)),
                 Text(r.value(ItemIndex::In1OffText + input))});
  return Heading(InputsGroup) + Grid({QString(), InputOn.Text(), InputOff.Text()}, rows);
}

QString MatrixAndInputOptions(const ConfigRecord& r) {
  const InputMatrix matrix = UnpackInputMatrix(r.value(ItemIndex::InputMatrix));
  QString html = Heading(MatrixGroup) +
                 QStringLiteral("<table class='grid' cellspacing='0' cellpadding='3'><thead><tr><th></th>"
                                "<th colspan='4'>%1</th><th colspan='4'>%2</th></tr><tr><th></th>")
                     .arg(Escaped(SmsTable.Text()), Escaped(VoiceTable.Text()));
  for (int table = 0; table < 2; ++table)
    for (const WindowCaption& column : PhoneColumns) html += QStringLiteral("<th class='tick'>%1</th>").arg(Escaped(column.Text()));
  html += QStringLiteral("</tr></thead>");
  for (int input = 1; input <= 5; ++input) {
    html += QStringLiteral("<tr><td class='caption'>%1</td>").arg(Escaped(Inputs[size_t(input - 1)].Text()));
    for (const auto bit : {&InputMatrix::SmsBit, &InputMatrix::VoiceBit})
      for (int phone = 1; phone <= 4; ++phone)
        html += QStringLiteral("<td class='tick'>%1</td>")
                    .arg(matrix.bits[size_t(bit(input, phone))] ? ItemWords::Ticked : ItemWords::Clear);
    html += QStringLiteral("</tr>");
  }
  html += QStringLiteral("</table>");
  const OptionFlags options = UnpackOptionFlags(QByteArrayView(r.value(ItemIndex::Options)));
  return html + Pairs({{Confirm.Text(), ItemWords::YesNo(options.potw)},
                       {Autotest.Text(), ItemWords::YesNo(options.autotest)},
                       {MiniPanel.Text(), ItemWords::YesNo(options.in1blok)}});
}

QString OutputOptions(const ConfigRecord& r) {
  const OutputFlags flags = UnpackOutputFlags(QByteArrayView(r.value(ItemIndex::OutputFlags)));
  const OutputTimes times = UnpackOutputTimes(r.value(ItemIndex::OutputTimes));
  constexpr std::array<int, 3> on{ItemIndex::Out1OnWord, ItemIndex::Out2OnWord, ItemIndex::Out3OnWord};
  constexpr std::array<int, 3> off{ItemIndex::Out1OffWord, ItemIndex::Out2OffWord, ItemIndex::Out3OffWord};
  QList<QStringList> rows{{OnRow.Text()}, {OffRow.Text()}, {TimeRow.Text()}, {ContactRow.Text()}, {ModeRow.Text()}};
  QStringList header{QString()};
  for (size_t o = 0; o < 3; ++o) {
    header << Outputs[o].Text();
    rows[0] << Text(r.value(on[o]));
    rows[1] << Text(r.value(off[o]));
    rows[2] << QString::number(times.seconds[o]);
    rows[3] << ItemWords::Contact(flags.nc[o]);
    rows[4] << ItemWords::Mode(flags.mono[o]);
  }
  const OptionFlags options = UnpackOptionFlags(QByteArrayView(r.value(ItemIndex::Options)));
  return Heading(OutputsGroup) + Grid(header, rows, QStringLiteral("centre")) +
         Pairs({{Out1Alarm.Text(), ItemWords::YesNo(options.out1sygn)},
                {ConfirmText.Text(), Text(r.value(ItemIndex::ConfirmText))}});
}

QString SignalPart(const ReportSignal& signal) {
  const QLocale polish(QLocale::Polish, QLocale::Poland);
  const SignalStats& s = signal.stats;
  const QString figures =
      s.withLevel ? QStringLiteral("minimum %1, średnio %2, maksimum %3 (skala 0–%4, odpowiedzi: %5)")
                        .arg(s.minimum)
                        .arg(polish.toString(s.average, 'f', 1))
                        .arg(s.maximum)
                        .arg(SignalScale)
                        .arg(s.replies)
                  : QStringLiteral("brak pomiaru (odpowiedzi: %1)").arg(s.replies);
  QString html = QStringLiteral("<b>%1</b> %2").arg(Escaped(Signal.Text()), Escaped(figures));
  if (s.withLevel)
    html += QStringLiteral("<br><img src='%1' width='%2' height='%3'>").arg(ChartName).arg(ChartWidth).arg(ChartHeight);
  // One cell, so that the figures and their chart share a page.
  return QStringLiteral("<table width='100%' class='signal' cellspacing='0' cellpadding='0'><tr><td>%1</td></tr></table>").arg(html);
}

const QString UnsavedMark = QStringLiteral("niezapisane w sterowniku");

// Items the window changed and did not write: the customer must see that the controller does not
// hold them.
QString Unsaved(const ReportData& data) {
  QList<QStringList> rows;
  for (const int item : data.unsaved)
    rows.append({ItemWords::Caption(item), ItemWords::Value(item, data.record.value(item), data.revealSecrets), UnsavedMark});
  return QStringLiteral("<h2 class='warning'>Uwaga: zmiany niezapisane w sterowniku</h2>"
                        "<p>Te pozycje raport pokazuje tak, jak są w programie; sterownik ich nie ma, dopóki "
                        "konfiguracja nie zostanie do niego wysłana.</p>") +
         Grid({QStringLiteral("Pozycja"), QStringLiteral("W raporcie"), QStringLiteral("Stan")}, rows);
}

QString Changes(const ReportData& data) {
  QString html = QStringLiteral("<h2>Zmiany wprowadzone podczas wizyty</h2>");
  const QList<ItemDifference> differences = CompareRecords(*data.before, data.record);
  if (differences.isEmpty()) return html + QStringLiteral("<p>Wizyta nie zmieniła konfiguracji.</p>");
  QList<QStringList> rows;
  for (const ItemDifference& d : differences)
    rows.append({ItemWords::Caption(d.item), ItemWords::Value(d.item, data.before->value(d.item), data.revealSecrets),
                 ItemWords::Value(d.item, data.record.value(d.item), data.revealSecrets) +
                     (data.unsaved.contains(d.item) ? QStringLiteral(" (%1)").arg(UnsavedMark) : QString())});
  return html + Grid({QStringLiteral("Pozycja"), QStringLiteral("Przed"), QStringLiteral("Po")}, rows);
}

QString Signatures() {
  const QString line = QStringLiteral("<td width='40%' class='sign'>%1</td>");
  // Room to sign above the lines.
  return QStringLiteral("<p class='signatures' style='margin-top: 48px'>&nbsp;</p><table width='100%' cellspacing='0' cellpadding='0'><tr>") +
         line.arg(QStringLiteral("Podpis technika")) + QStringLiteral("<td width='20%'></td>") +
         line.arg(QStringLiteral("Podpis klienta")) + QStringLiteral("</tr></table>");
}

const QString Style = QStringLiteral(
    "h1 { font-size: 16pt; font-weight: bold; margin-bottom: 4pt; }"
    "h2 { font-size: 11pt; font-weight: bold; margin-top: 8pt; margin-bottom: 2pt; color: #1f3f66; }"
    "h2.warning { color: #a01818; }"
    "p.company { color: #404040; margin-bottom: 6pt; }"
    "table.pairs td.caption { color: #404040; padding-right: 12pt; }"
    "table.grid { border-collapse: collapse; }"
    "table.grid th { background-color: #e4eaf2; font-weight: bold; border: 0.5px solid #9aa8b8; }"
    "table.grid td { border: 0.5px solid #9aa8b8; }"
    "table.grid td.caption { background-color: #f2f5f9; }"
    "td.tick, th.tick, td.centre { text-align: center; }"
    "table.signal { margin-top: 8pt; }"
    "td.sign { border-top: 0.5px solid #000000; padding-top: 3pt; text-align: center; color: #404040; }");

// A part of the body as the page sees it: a table, or a paragraph between them.
struct Part {
  QTextFrame* frame = nullptr;
  QTextBlock block;
};

QList<Part> Parts(const QTextDocument& document) {
  QList<Part> parts;
  for (auto it = document.rootFrame()->begin(); !it.atEnd(); ++it) {
    if (it.currentFrame()) parts.append(Part{it.currentFrame(), {}});
    else if (!it.currentBlock().text().trimmed().isEmpty()) parts.append(Part{nullptr, it.currentBlock()});  // not the spacers
  }
  return parts;
}

QRectF Box(const QTextDocument& document, const Part& part) {
  QAbstractTextDocumentLayout* layout = document.documentLayout();
  layout->documentSize();  // lays out what the last change moved
  return part.frame ? layout->frameBoundingRect(part.frame) : layout->blockBoundingRect(part.block);
}

// Where the first line of a block is drawn: a line that would cross a page is put on the next.
double LineTop(const QTextDocument& document, const QTextBlock& block) {
  const double top = document.documentLayout()->blockBoundingRect(block).top();
  const QTextLayout* layout = block.layout();
  return layout && layout->lineCount() > 0 ? top + layout->lineAt(0).y() : top;
}

// Where a part's text begins on the page: its first line, or a table's first cell's.
double Top(const QTextDocument& document, const Part& part) {
  Box(document, part);  // laid out
  auto* table = qobject_cast<QTextTable*>(part.frame);
  if (!table) return part.frame ? Box(document, part).top() : LineTop(document, part.block);
  return LineTop(document, table->cellAt(0, 0).firstCursorPosition().block());
}

bool IsHeading(const Part& part) { return !part.frame && part.block.blockFormat().headingLevel() > 0; }

// Puts the part at the top of the next page. A block is pushed down by its top margin: a page
// break before a block that follows a table can skip a page.
void BreakBefore(QTextDocument& document, Part& part, double top) {
  if (part.frame) {
    QTextFrameFormat format = part.frame->frameFormat();
    format.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    part.frame->setFrameFormat(format);
    return;
  }
  const double page = document.pageSize().height();
  QTextBlockFormat format = part.block.blockFormat();
  format.setTopMargin(format.topMargin() + (std::floor(top / page) + 1) * page - top);
  QTextCursor(part.block).setBlockFormat(format);
}

// Where a table's first row below its header ends.
double FirstRowBottom(const QTextDocument& document, QTextTable& table) {
  const int row = std::min(table.format().headerRowCount(), table.rows() - 1);
  double bottom = 0;
  for (int column = 0; column < table.columns(); ++column) {
    const QTextTableCell cell = table.cellAt(row, column);
    if (cell.isValid())
      bottom = std::max(bottom, document.documentLayout()->blockBoundingRect(cell.lastCursorPosition().block()).bottom());
  }
  return bottom;
}

// Moves the part to the next page, unless what is to go with it (down to bottom) could not fit
// on one or it already begins one.
void MoveToNextPage(QTextDocument& document, Part& part, double bottom) {
  const double page = document.pageSize().height();
  const double top = Top(document, part);
  if (bottom - top < page && std::fmod(top, page) >= page / 20) BreakBefore(document, part, top);
}

bool OnePage(double page, double top, double bottom) { return int(top / page) == int((bottom - 1) / page); }

// A heading with the first row of its table, a table's header with its first row and a table of
// one row (parts side by side, a chart with its figures) each share a page; the signatures never
// stand alone on the last one.
void KeepPartsTogether(QTextDocument& document) {
  const double page = document.pageSize().height();
  QList<Part> parts = Parts(document);
  const auto withHeading = [&](qsizetype i) -> Part& { return i > 0 && IsHeading(parts[i - 1]) ? parts[i - 1] : parts[i]; };
  for (qsizetype i = 0; i < parts.size(); ++i) {
    auto* table = qobject_cast<QTextTable*>(parts[i].frame);
    if (!table) continue;
    Part& first = withHeading(i);
    const double bottom = table->rows() == 1 ? Box(document, parts[i]).bottom() : FirstRowBottom(document, *table);
    if (!OnePage(page, Top(document, first), bottom)) MoveToNextPage(document, first, bottom);
  }
  // The signatures are the last table; the part before them moves over to keep them company.
  const qsizetype signatures = parts.size() - 1;
  if (signatures < 1 || !parts[signatures].frame) return;
  const QRectF before = Box(document, parts[signatures - 1]);
  if (!OnePage(page, before.bottom() - 1, Top(document, parts[signatures]) + 1))
    MoveToNextPage(document, withHeading(signatures - 1), Box(document, parts[signatures]).bottom());
}

}  // namespace

QPageLayout ReportPageLayout() {
  return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
}

QString ReportHtml(const ReportData& data) {
  QString html = CompanyDetails(data) + QStringLiteral("<h1>%1</h1>").arg(Escaped(QString::fromUtf8(ReportTitle))) + Head(data);
  if (!data.unsaved.isEmpty()) html += Unsaved(data);
  html +=                  Beside(ControllerOptions(data), PhonesAndLimits(data.record)) + InputTexts(data.record) +
                 MatrixAndInputOptions(data.record) + OutputOptions(data.record);
  if (data.signal) html += SignalPart(*data.signal);
  if (data.before) html += Changes(data);
  return QStringLiteral("<html><body>") + html + Signatures() + QStringLiteral("</body></html>");
}

std::unique_ptr<QTextDocument> ReportTextDocument(const QString& family) {
  auto document = std::make_unique<FixedDpiDocument>();
  document->setUseDesignMetrics(true);
  QFont font(family, 9);
  // Letter spacing keeps the shaper from joining "fi" into one glyph, which a search for the
  // word in the PDF would not find.
  font.setLetterSpacing(QFont::AbsoluteSpacing, 0.05);
  document->setDefaultFont(font);
  document->setDefaultStyleSheet(Style);
  document->setDocumentMargin(0);
  return document;
}

QSizeF ReportPageSize() { return ReportPageLayout().paintRect(QPageLayout::Inch).size() * LayoutDpi; }

double ReportHeadHeight(const ReportData& data) { return data.company ? 58 : 0; }

QSizeF ReportBodySize(const ReportData& data) {
  return ReportPageSize() - QSizeF(0, ReportHeadHeight(data) + ReportFootHeight);
}

std::unique_ptr<QTextDocument> ReportDocument(const ReportData& data, QString* error) {
  const std::optional<QString> family = ReportFonts::Family(error);
  if (!family) return nullptr;
  std::unique_ptr<QTextDocument> document = ReportTextDocument(*family);
  // The part of the page between the head and the foot; the printer or writer scales the page
  // onto its own.
  document->setPageSize(ReportBodySize(data));
  if (data.signal && data.signal->stats.withLevel)
    document->addResource(QTextDocument::ImageResource, QUrl(ChartName),
                          SignalPicture(data.signal->levels, ChartWidth * ChartSharpness, ChartHeight * ChartSharpness, *family));
  document->setHtml(ReportHtml(data));
  KeepPartsTogether(*document);
  return document;
}
