#include "workshop.h"

#include <QEventLoop>
#include <algorithm>
#include <memory>
#include <vector>

#include "command_line.h"
#include "console.h"
#include "interrupts.h"
#include "port_list.h"
#include "port_run.h"
#include "progress_board.h"
#include "workshop_summary.h"

bool ManyPorts(const CliOptions& options) { return options.allPorts || options.ports.size() > 1; }

ExitStatus RunWorkshop(Context& context) {
  const CliOptions& options = context.options;
  const QByteArray password = LoginPassword(options);
  const QList<QByteArray> ports = CommandPorts(options, context.console);
  const WorkshopJob job = PlanJob(options, ports, context.console);

  ProgressBoard board(ports, job.sites, options.quiet);
  std::vector<std::unique_ptr<PortRun>> runs;
  for (qsizetype i = 0; i < ports.size(); ++i)
    runs.push_back(std::make_unique<PortRun>(int(i), ports[i], password, job, board, options));
  // Ctrl-C reaches every port: each stops after its current item and logs out.
  const auto relay = [&] {
    for (const auto& run : runs) run->Relay(context.interrupts.FirstSignal());
  };
  context.interrupts.OnInterrupt = [&](int) { relay(); };
  if (context.interrupts.Count() > 0) relay();
  QEventLoop loop;
  qsizetype running = qsizetype(runs.size());
  for (const auto& run : runs)
    run->Start(&loop, [&] {
      if (--running == 0) loop.quit();
    });
  loop.exec();
  context.interrupts.OnInterrupt = nullptr;

  QList<PortResult> results;
  for (const auto& run : runs) results.append(run->Result());
  try {
    const ExitStatus status = ShowSummary(context.console, ports, job.sites, results);
    CloseResults();
    return status;
  } catch (const CliError& error) {
    // The summary lost: a script must still learn that controllers were changed.
    if (std::none_of(results.cbegin(), results.cend(), [](const PortResult& r) { return r.changed; })) throw;
    throw CliError(ExitStatus::ControllerChanged, QStringLiteral("sterowniki zmienione, ale: ") + error.message);
  }
}
