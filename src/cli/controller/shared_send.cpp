#include "shared_send.h"

#include "console.h"
#include "register_choice.h"
#include "register_sync.h"
#include "session.h"

void SendAfterTransfer(Session& session, Console& console) {
  if (!session.KeptInRegister()) return;
  try {
    const RegisterChoice::Choice choice = RegisterChoice::Current();
    if (!choice.problem.isEmpty()) console.Warn(choice.problem);
    if (!choice.shared) return;
    // Only this transfer's entries go out: bringing a team's register waits for register sync.
    SyncOptions options;
    options.bring = false;
    const SyncReport report = RegisterSync::Run(session.Keeper().Options(), *choice.shared, options);
    // Only a failure is told: a sent entry is what the user expects.
    if (!report.error.isEmpty())
      console.Warn(QStringLiteral("nie wysłano do rejestru wspólnego: %1; do wysłania zostało: %2")
                       .arg(report.error.simplified())
                       .arg(report.left.Total()));
  } catch (const std::exception&) {
    // Standard error itself failed: the command's own outcome stands.
  }
}
