// status [--watch [--csv FILE [--force]] [--for DURATION]]: the controller's live state once, or
// once a second until Ctrl-C or the end of the duration.
#include <QDateTime>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <memory>
#include <optional>

#include "command_line.h"
#include "command_table.h"
#include "console.h"
#include "interrupts.h"
#include "log_file.h"
#include "session.h"
#include "signal_sparkline.h"
#include "status_csv.h"
#include "status_history.h"
#include "status_report.h"

namespace {
constexpr int PollEveryMs = 1000;
constexpr int SparklineCapacity = 2 * StatusHistory::MinuteMs / PollEveryMs;

void Show(Console& console, const StatusSnapshot& status, std::optional<qint64> watchedAtMs) {
  if (console.Json()) {
    QJsonObject object = StatusJson(status);
    if (watchedAtMs) object.insert(QStringLiteral("time"), IsoLocalTime(*watchedAtMs));
    console.Result(object);
  } else if (watchedAtMs) {
    console.Result(QDateTime::fromMSecsSinceEpoch(*watchedAtMs).toString(QStringLiteral("HH:mm:ss  ")) + StatusLine(status));
  } else {
    for (const QString& line : StatusLines(status)) console.Result(line);
  }
}

// "90" (seconds), "90s", "15m", "24h", "1h30m": milliseconds above 0; nothing for anything else,
// a unit given twice ("3s3s") or out of order included.
std::optional<qint64> ParseDuration(const QString& text) {
  static const QRegularExpression form(QStringLiteral("^(?:[0-9]{1,9}|(?:[0-9]{1,9}h)?(?:[0-9]{1,9}m)?(?:[0-9]{1,9}s)?)$"));
  if (!form.match(text).hasMatch()) return std::nullopt;
  qint64 ms = 0, number = 0;
  for (const QChar c : text) {
    if (c.isDigit()) {
      number = number * 10 + c.digitValue();
      continue;
    }
    ms += number * (c == u'h' ? 3600 * 1000 : c == u'm' ? 60 * 1000 : 1000);
    number = 0;
  }
  ms += number * 1000;
  return ms > 0 ? std::optional<qint64>(ms) : std::nullopt;
}

std::optional<qint64> WatchLimitMs(const CliOptions& options) {
  if (!options.watch)
    for (const char* name : {"csv", "for"})
      if (options.given.contains(QLatin1String(name)))
        RefuseUsage(QStringLiteral("opcja --%1 działa tylko z --watch").arg(QLatin1String(name)));
  if (options.force && !options.given.contains(QStringLiteral("csv"))) RefuseUsage(QStringLiteral("opcja --force działa tylko z --csv"));
  if (!options.given.contains(QStringLiteral("for"))) return std::nullopt;
  const std::optional<qint64> limit = ParseDuration(options.duration);
  if (!limit) RefuseUsage(QStringLiteral("opcja --for: niepoprawny czas '%1' (np. 90s, 15m, 24h, 1h30m)").arg(options.duration));
  return limit;
}
}  // namespace

ExitStatus RunStatus(Context& context) {
  const CliOptions& options = context.options;
  const std::optional<qint64> limitMs = WatchLimitMs(options);
  // Checked before the port is opened; made, or replaced with --force, by the first reply.
  std::unique_ptr<LogFile> csv;
  if (options.given.contains(QStringLiteral("csv"))) csv = std::make_unique<LogFile>(options.csv, StatusCsv::Header(), options.force);
  const ExitStatus status = VisitController(context, [&](Session& session) {
    if (!options.watch) {
      Show(context.console, PollStatus(session), std::nullopt);
      return ExitStatus::Done;
    }
    StatusHistory history(SparklineCapacity);
    QElapsedTimer watched;
    watched.start();
    // Ctrl-C is the way out: it ends the pause between two polls at once.
    while (context.interrupts.Count() == 0 && (!limitMs || watched.elapsed() < *limitMs)) {
      QElapsedTimer since;
      since.start();
      const StatusSnapshot status = PollStatus(session);
      history.Record(status.payload);
      const StatusSample& sample = history.At(history.Size() - 1);
      Show(context.console, status, sample.wallMs);
      if (csv) csv->WriteLine(StatusCsv::Line(sample));
      context.console.Footer(SignalSparkline(history));
      qint64 left = PollEveryMs - since.elapsed();
      if (limitMs) left = qMin(left, *limitMs - watched.elapsed());
      if (left > 0) context.interrupts.Sleep(int(left));
    }
    context.console.EndFooter();
    return ExitStatus::Done;
  });
  // After the logout: a reader that is behind holds up neither the line nor the end.
  if (csv) csv->Finish();
  return status;
}
