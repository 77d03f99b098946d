#pragma once
// The median of a few runs of a piece of work, in milliseconds: one slow run (a page fault, the
// other core busy) moves it less than the mean.
#include <QElapsedTimer>
#include <QList>
#include <algorithm>
#include <functional>

inline double MedianMs(const std::function<void()>& run, int runs = 5) {
  QList<double> ms;
  for (int i = 0; i < runs; ++i) {
    QElapsedTimer clock;
    clock.start();
    run();
    ms << double(clock.nsecsElapsed()) / 1e6;
  }
  std::sort(ms.begin(), ms.end());
  return ms[runs / 2];
}
