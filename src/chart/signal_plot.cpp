#include "signal_plot.h"

#include <algorithm>

#include "status_history.h"

namespace {
constexpr qint64 TickStepsMs[] = {5000, 10000, 15000, 30000, 60000, 120000, 300000, 600000};
constexpr int MostTicks = 8;
}  // namespace

QString StageName(quint8 code) {
  const QString text = ModemStageText(code);
  return text.isEmpty() ? QStringLiteral("kod %1").arg(code) : text;
}

SignalPlot PlotSignal(const StatusHistory& history, qint64 fromMs, qint64 toMs, qint64 bucketMs) {
  SignalPlot plot;
  QList<QPointF> run;
  // The lowest and highest level of the bucket being filled, in the order they came.
  qint64 bucket = -1;
  QPointF low, high;
  const auto endBucket = [&] {
    if (bucket < 0) return;
    const bool lowFirst = low.x() <= high.x();
    run << (lowFirst ? low : high);
    if (low != high) run << (lowFirst ? high : low);
    bucket = -1;
  };
  const auto endRun = [&] {
    endBucket();
    if (run.size() == 1) plot.dots << run.first();
    else if (run.size() > 1) plot.lines << run;
    run.clear();
  };
  for (int i = history.IndexFrom(fromMs); i < history.Size() && history.At(i).monotonicMs <= toMs; ++i) {
    const StatusSample& sample = history.At(i);
    if (i > 0) {
      const StatusSample& before = history.At(i - 1);
      if (StatusHistory::Gap(before, sample)) endRun();
      if (StageName(before.StageCode()) != StageName(sample.StageCode()))
        plot.stageChanges.append({sample.monotonicMs, sample.StageCode()});
    }
    if (!sample.HasLevel()) {
      endRun();
      plot.noLevel << QPointF(sample.monotonicMs, 0);
      continue;
    }
    const QPointF point(sample.monotonicMs, sample.Level());
    const qint64 into = bucketMs > 0 ? (sample.monotonicMs - fromMs) / bucketMs : i;
    if (into != bucket) {
      endBucket();
      bucket = into;
      low = high = point;
    } else if (point.y() < low.y()) {
      low = point;
    } else if (point.y() > high.y()) {
      high = point;
    }
  }
  endRun();
  return plot;
}

QList<qint64> RoundTimeTicks(qint64 fromMs, qint64 toMs, qint64 localOffsetMs) {
  const qint64 spanMs = toMs - fromMs;
  const qint64 step = *std::find_if(std::begin(TickStepsMs), std::end(TickStepsMs) - 1,
                                    [spanMs](qint64 s) { return spanMs <= s * MostTicks; });
  const qint64 local = fromMs + localOffsetMs;
  qint64 tick = local - (local % step + step) % step - localOffsetMs;
  if (tick < fromMs) tick += step;
  QList<qint64> ticks;
  for (; tick <= toMs; tick += step) ticks << tick;
  return ticks;
}
