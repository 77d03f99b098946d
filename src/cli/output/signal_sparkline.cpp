#include "signal_sparkline.h"

#include <QLocale>
#include <cmath>

#include "status_history.h"

namespace {
constexpr int Columns = StatusHistory::MinuteMs / 1000;
const QString Blocks = QStringLiteral("▁▂▃▄▅▆▇█");
constexpr QChar NoLevel = u'·';

QString Framed(const QString& columns, const QString& summary) {
  return QStringLiteral("sygnał, minuta ▕%1▏ %2").arg(columns, summary);
}
}  // namespace

QString SignalSparkline(const StatusHistory& history) {
  QString line(Columns, u' ');
  if (history.Size() == 0) return Framed(line, QStringLiteral("brak odpowiedzi"));
  const qint64 newestMs = history.At(history.Size() - 1).monotonicMs;
  // Replies come a second apart give or take a little: rounding keeps each in a column of its own.
  for (int i = history.IndexFrom(newestMs - StatusHistory::MinuteMs); i < history.Size(); ++i) {
    const StatusSample& sample = history.At(i);
    const int column = Columns - 1 - int(std::lround(double(newestMs - sample.monotonicMs) / 1000));
    if (column < 0 || column >= Columns) continue;
    line[column] = sample.HasLevel() ? Blocks[sample.Level() * (Blocks.size() - 1) / SignalScale] : NoLevel;
  }
  const SignalStats minute = history.LastMinute();
  if (minute.withLevel == 0) return Framed(line, QStringLiteral("brak poziomu"));
  return Framed(line, QStringLiteral("min %1  śr. %2  maks. %3 (z %4)")
                          .arg(minute.minimum)
                          .arg(QLocale(QLocale::Polish).toString(minute.average, 'f', 1))
                          .arg(minute.maximum)
                          .arg(SignalScale));
}
