#include "report_pages.h"

#include <QAbstractTextDocumentLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QTextDocument>
#include <QUrl>

#include "report_document.h"
#include "report_fonts.h"

namespace {

const QString LogoName = QStringLiteral("velt:logo");
constexpr int LogoHeight = 44, LogoMostWidth = 160;  // in the layout's units
constexpr QColor Rule(0x9a, 0xa8, 0xb8);

// The logo on white: an archived PDF may hold no transparency.
QImage Flattened(const QImage& logo) {
  QImage flat(logo.size(), QImage::Format_RGB32);
  flat.fill(Qt::white);
  QPainter painter(&flat);
  painter.drawImage(0, 0, logo);
  return flat;
}

QString Escaped(const QString& text) { return text.toHtmlEscaped(); }

QString HeadHtml(const ReportCompany& company) {
  QString logo;
  if (!company.logo.isNull()) {
    const QSizeF size = QSizeF(company.logo.size()).scaled(LogoMostWidth, LogoHeight, Qt::KeepAspectRatio);
    logo = QStringLiteral("<td width='%1' valign='middle'><img src='%2' width='%1' height='%3'></td><td width='12'></td>")
               .arg(qRound(size.width())).arg(LogoName).arg(qRound(size.height()));
  }
  return QStringLiteral("<table cellspacing='0' cellpadding='0'><tr>%1<td valign='middle'><b>%2</b><br>%3</td></tr></table>")
      .arg(logo, Escaped(company.name), Escaped(company.address));
}

void Draw(QPainter& painter, QTextDocument& document, const QRectF& clip) {
  // The layout draws every block that reaches into the clip whole: the painter cuts at its edge.
  painter.save();
  painter.setClipRect(clip);
  QAbstractTextDocumentLayout::PaintContext context;
  context.clip = clip;
  context.palette.setColor(QPalette::Text, Qt::black);
  document.documentLayout()->draw(&painter, context);
  painter.restore();
}

}  // namespace

QString ReportFootText(const ReportData& data, int page, int pages) {
  QStringList parts;
  if (data.site) parts << data.site->id;
  if (!data.number.isEmpty()) parts << data.number;
  parts << data.made.toString(QStringLiteral("dd.MM.yyyy"));
  return QStringLiteral("%1 · Strona %2 z %3").arg(parts.join(QStringLiteral(" · "))).arg(page).arg(pages);
}

bool PaintReport(const ReportData& data, QPagedPaintDevice& device, QString* error) {
  const std::unique_ptr<QTextDocument> body = ReportDocument(data, error);
  if (!body) return false;
  const QString family = *ReportFonts::Family(error);
  device.setPageLayout(ReportPageLayout());
  const QSizeF page = ReportPageSize();
  const double head = ReportHeadHeight(data);
  const QSizeF bodySize = body->pageSize();
  std::unique_ptr<QTextDocument> headDocument;
  if (data.company) {
    headDocument = ReportTextDocument(family);
    headDocument->setTextWidth(page.width());
    if (!data.company->logo.isNull())
      headDocument->addResource(QTextDocument::ImageResource, QUrl(LogoName), Flattened(data.company->logo));
    headDocument->setHtml(HeadHtml(*data.company));
  }
  QPainter painter;
  if (!painter.begin(&device)) {
    if (error) *error = QStringLiteral("Nie można rozpocząć wydruku raportu.");
    return false;
  }
  painter.scale(device.width() / page.width(), device.width() / page.width());
  const int pages = body->pageCount();
  for (int index = 0; index < pages; ++index) {
    if (index > 0) device.newPage();
    painter.setPen(QPen(Rule, 0.5));
    if (headDocument) {
      Draw(painter, *headDocument, QRectF(QPointF(), QSizeF(page.width(), head)));
      painter.drawLine(QPointF(0, head - 6), QPointF(page.width(), head - 6));
    }
    painter.save();
    painter.translate(0, head - index * bodySize.height());
    Draw(painter, *body, QRectF(QPointF(0, index * bodySize.height()), bodySize));
    painter.restore();
    const double footTop = head + bodySize.height();
    painter.drawLine(QPointF(0, footTop + 8), QPointF(page.width(), footTop + 8));
    const std::unique_ptr<QTextDocument> foot = ReportTextDocument(family);
    foot->setTextWidth(page.width());
    foot->setHtml(QStringLiteral("<p align='right' style='color: #404040'>%1</p>").arg(Escaped(ReportFootText(data, index + 1, pages))));
    painter.save();
    painter.translate(0, footTop + 12);
    Draw(painter, *foot, QRectF(QPointF(), QSizeF(page.width(), ReportFootHeight)));
    painter.restore();
  }
  return painter.end();
}
