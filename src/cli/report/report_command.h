#pragma once
// velt-cli report SOURCE -o FILE.pdf [--site ID] [--show-secrets]: the handover report of a
// configuration file, a history entry (@N) or the controller (device). Needs a QGuiApplication.
#include "controller_visit.h"

ExitStatus RunHandoverReport(Context& context);
