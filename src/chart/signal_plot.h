#pragma once
// What the chart draws for the replies of a stretch of time: the level line in pieces, broken
// where a reply carried no level or none came; a reply alone between two breaks as a dot; the
// replies without a level along the bottom; the moments the modem's stage changed.
#include <QList>
#include <QPointF>
#include <QString>

class StatusHistory;

struct StageChange {
  qint64 timeMs = 0;  // of the first reply in the new stage, on the monotonic clock
  quint8 code = 0;
};

// The stage as the window names it; a code the window has no name for by its number. Codes
// with one name are one stage: the modem runs through several of them in a few seconds.
QString StageName(quint8 code);

struct SignalPlot {
  // x: the reply's time on the monotonic clock; y: the level on the gauge's scale.
  QList<QList<QPointF>> lines;
  QList<QPointF> dots;
  QList<QPointF> noLevel;  // y 0
  QList<StageChange> stageChanges;
};

// The samples from fromMs to toMs (monotonic), both included. A stage change is seen against the reply
// before, even when that one lies before fromMs. Where replies are closer than the chart can
// show, the line keeps the lowest and the highest level of each stretch of bucketMs (0: every
// reply): Qt Charts works for every point of a line at each redraw, and a dip must still show.
SignalPlot PlotSignal(const StatusHistory& history, qint64 fromMs, qint64 toMs, qint64 bucketMs);

// Ticks for the time axis on round times of the local clock, whole steps of 5 s to 10 min apart,
// the shortest step that gives at most eight of them from fromMs to toMs. localOffsetMs added to
// a time gives the local clock's reading then.
QList<qint64> RoundTimeTicks(qint64 fromMs, qint64 toMs, qint64 localOffsetMs);
