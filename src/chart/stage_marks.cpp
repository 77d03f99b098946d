#include "stage_marks.h"

#include <QChart>
#include <QGraphicsLineItem>
#include <QGraphicsRectItem>
#include <QGraphicsSimpleTextItem>
#include <QPen>


namespace {
constexpr QRgb MarkColour = qRgb(204, 102, 0);
constexpr int LineAlpha = 170;
constexpr int LabelGap = 3;      // between the line and its label
constexpr int BottomClear = 6;   // above level 0, where replies without a level are marked
constexpr int GroundAlpha = 210;
}  // namespace

QPen StageMarkPen() {
  QColor colour(MarkColour);
  colour.setAlpha(LineAlpha);
  QPen pen(colour);
  pen.setStyle(Qt::DashLine);
  return pen;
}

StageMarks::StageMarks(QChart* chart, QAbstractSeries* reference) : chart_(chart), reference_(reference) {
  QObject::connect(chart, &QChart::plotAreaChanged, chart, [this] { Place(); });
}

void StageMarks::Show(const QList<StageChange>& changes) {
  changes_ = changes;
  Place();
}

void StageMarks::Place() {
  const QRectF plot = chart_->plotArea();
  while (lines_.size() < changes_.size()) {
    lines_ << new QGraphicsLineItem(chart_);
    lines_.back()->setPen(StageMarkPen());
    labels_ << new QGraphicsRectItem(chart_);
    labels_.back()->setPen(Qt::NoPen);
    labels_.back()->setBrush(QColor(255, 255, 255, GroundAlpha));
    labels_.back()->setRotation(-90);
    names_ << new QGraphicsSimpleTextItem(labels_.back());
    names_.back()->setBrush(QColor(MarkColour));
  }
  // Newest first: of changes too close to name each, the latest stage is named.
  qreal freeRight = plot.right() + LabelGap;
  for (qsizetype i = lines_.size() - 1; i >= 0; --i) {
    QGraphicsLineItem* line = lines_[i];
    QGraphicsRectItem* label = labels_[i];
    const QPointF zero = i < changes_.size() ? chart_->mapToPosition(QPointF(changes_[i].timeMs, 0), reference_) : QPointF(-1, 0);
    const qreal x = zero.x();
    const bool shown = x >= plot.left() && x <= plot.right();
    line->setVisible(shown);
    label->setVisible(false);
    if (!shown) continue;
    line->setLine(x, plot.top(), x, plot.bottom());
    names_[i]->setText(StageName(changes_[i].code));
    const QRectF box = names_[i]->boundingRect().adjusted(-1, 0, 1, 0);
    label->setRect(box);
    // Turned to run upwards, its height lies along the time axis: right of the line, or left of
    // it at the plot's right edge.
    qreal left = x + LabelGap;
    if (left + box.height() > plot.right()) left = x - LabelGap - box.height();
    if (left + box.height() + LabelGap > freeRight || left < plot.left()) continue;
    label->setPos(left, zero.y() - BottomClear + box.left());
    label->setVisible(true);
    freeRight = left;
  }
}
