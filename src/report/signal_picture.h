#pragma once
// The signal of a visit: its statistics and a short series from the connection's status ring,
// and the small chart the report draws of it, broken where a reply carried no level.
#include <QImage>
#include <QString>

#include "report_data.h"

class StatusHistory;

inline constexpr int ChartPoints = 120;  // the most points of a chart; longer visits are averaged

// Over every reply the ring holds; nullopt when it holds none.
std::optional<ReportSignal> VisitSignal(const StatusHistory& history);

// widthPx x heightPx, drawn in the report's family.
QImage SignalPicture(const QList<int>& levels, int widthPx, int heightPx, const QString& family);
