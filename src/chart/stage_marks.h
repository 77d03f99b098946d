#pragma once
// The modem's stage changes on the chart: a dashed line down the plot at each, with the new
// stage's name beside it, reading upwards from the bottom, where there is room. Qt Charts has no annotations of its own, so these
// are items on the chart, placed again whenever the plot area moves.
#include <QList>
#include <QPen>

#include "signal_plot.h"

class QAbstractSeries;
class QChart;
class QGraphicsLineItem;
class QGraphicsRectItem;
class QGraphicsSimpleTextItem;

class StageMarks {
 public:
  // The series gives the axes that times and levels are placed by.
  StageMarks(QChart* chart, QAbstractSeries* reference);

  void Show(const QList<StageChange>& changes);
  void Place();

 private:
  QChart* chart_;
  QAbstractSeries* reference_;
  QList<StageChange> changes_;
  // Made as needed and kept for the next changes; those not needed are hidden.
  QList<QGraphicsLineItem*> lines_;
  QList<QGraphicsRectItem*> labels_;  // a name on a pale ground, readable across the level line
  QList<QGraphicsSimpleTextItem*> names_;
};

// The pen of the marks, for the legend's entry too.
QPen StageMarkPen();
