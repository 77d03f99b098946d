#pragma once
// The workshop: provision, read, write, firmware, status and passwd on several ports at once,
// each port's controller on a thread of its own, so that eight take about as long as one. A
// port that fails (no reply, wrong password, a lost line, a refused value) neither stops nor
// slows the others. At the end a summary, one row (or with --json one object) per port; the
// exit status is 0 when every port succeeded, else the highest of the ports' statuses.
#include "controller_visit.h"

struct CliOptions;

// -p given more than once, or --ports all.
bool ManyPorts(const CliOptions& options);

// Throws CliError for what is wrong before anything is sent.
ExitStatus RunWorkshop(Context& context);
