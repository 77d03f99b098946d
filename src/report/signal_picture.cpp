#include "signal_picture.h"

#include <QPainter>
#include <QPainterPath>

#include "status_decode.h"
#include "status_history.h"

std::optional<ReportSignal> VisitSignal(const StatusHistory& history) {
  if (history.Size() == 0) return std::nullopt;
  ReportSignal signal;
  signal.stats = history.Stats(history.At(0).monotonicMs, history.At(history.Size() - 1).monotonicMs);
  // Each point the average of an equal share of the replies, so that the chart keeps its size.
  const int points = qMin(history.Size(), ChartPoints);
  for (int p = 0; p < points; ++p) {
    const int from = int(qint64(p) * history.Size() / points), to = int(qint64(p + 1) * history.Size() / points);
    int sum = 0, count = 0;
    for (int i = from; i < to; ++i) {
      if (!history.At(i).HasLevel()) continue;
      sum += history.At(i).Level();
      ++count;
    }
    signal.levels.append(count ? (sum + count / 2) / count : -1);
  }
  return signal;
}

QImage SignalPicture(const QList<int>& levels, int widthPx, int heightPx, const QString& family) {
  QImage image(widthPx, heightPx, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QFont font(family);
  font.setPixelSize(heightPx / 9);
  painter.setFont(font);
  const int left = heightPx / 4, top = heightPx / 12, bottom = heightPx - heightPx / 12;
  const QRectF plot(left, top, widthPx - left - 2, bottom - top);
  const auto yOf = [&](int level) { return plot.bottom() - plot.height() * level / SignalScale; };
  // A light line at every quarter of the scale, labelled.
  for (int level = 0; level <= SignalScale; level += SignalScale / 4) {
    painter.setPen(QPen(QColor(210, 210, 210), 1));
    painter.drawLine(QPointF(plot.left(), yOf(level)), QPointF(plot.right(), yOf(level)));
    painter.setPen(Qt::darkGray);
    painter.drawText(QRectF(0, yOf(level) - heightPx / 10, left - heightPx / 30, heightPx / 5),
                     Qt::AlignRight | Qt::AlignVCenter, QString::number(level));
  }
  painter.setPen(QPen(QColor(0, 90, 170), qMax(2, heightPx / 80), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  const qsizetype n = levels.size();
  QPainterPath path;
  bool drawing = false;
  for (qsizetype i = 0; i < n; ++i) {
    if (levels[i] < 0) {
      drawing = false;
      continue;
    }
    const QPointF point(plot.left() + (n > 1 ? plot.width() * double(i) / double(n - 1) : plot.width() / 2), yOf(levels[i]));
    if (drawing) path.lineTo(point);
    else path.moveTo(point);
    // A lone level between gaps still shows, as a dot.
    if (!drawing) path.lineTo(point + QPointF(0.5, 0));
    drawing = true;
  }
  painter.drawPath(path);
  painter.setPen(QPen(Qt::gray, 1));
  painter.drawRect(plot);
  return image;
}
