// status [--watch]: the controller's live state once, or once a second until Ctrl-C.
#include <QDateTime>
#include <QElapsedTimer>

#include "command_line.h"
#include "command_table.h"
#include "console.h"
#include "interrupts.h"
#include "session.h"
#include "status_report.h"

namespace {
constexpr int PollEveryMs = 1000;

void Show(Console& console, const StatusSnapshot& status, bool watching) {
  if (console.Json()) {
    QJsonObject object = StatusJson(status);
    if (watching) {
      const QDateTime now = QDateTime::currentDateTime();
      object.insert(QStringLiteral("time"), now.toOffsetFromUtc(now.offsetFromUtc()).toString(Qt::ISODate));
    }
    console.Result(object);
  } else if (watching) {
    console.Result(QDateTime::currentDateTime().toString(QStringLiteral("HH:mm:ss  ")) + StatusLine(status));
  } else {
    for (const QString& line : StatusLines(status)) console.Result(line);
  }
}
}  // namespace

ExitStatus RunStatus(Context& context) {
  const bool watching = context.options.watch;
  return VisitController(context, [&](Session& session) {
    if (!watching) {
      Show(context.console, PollStatus(session), false);
      return ExitStatus::Done;
    }
    // Ctrl-C is the way out: it ends the pause between two polls at once.
    while (context.interrupts.Count() == 0) {
      QElapsedTimer since;
      since.start();
      Show(context.console, PollStatus(session), true);
      const qint64 left = PollEveryMs - since.elapsed();
      if (left > 0) context.interrupts.Sleep(int(left));
    }
    return ExitStatus::Done;
  });
}
