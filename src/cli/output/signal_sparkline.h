#pragma once
// The signal of the last minute on one line of a terminal, a column a second, newest on the
// right: a block as high as the level, "·" for a reply without a level, a blank for a second
// without a reply; then the minimum, average and maximum of the minute.
#include <QString>

class StatusHistory;

QString SignalSparkline(const StatusHistory& history);
