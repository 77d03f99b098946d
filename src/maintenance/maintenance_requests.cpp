#include "maintenance_requests.h"

#include <algorithm>

#include "commands.h"
#include "link.h"
#include "waits.h"

namespace Maintenance {
void RestartController(Link& link) { link.SendFrame(Cmd::Restart, QByteArrayLiteral("B")); }

void ResetCounters(Link& link) { link.SendFrame(Cmd::ResetCounters, QByteArrayLiteral("G")); }

bool IsValidPassword(const QByteArray& password) {
  return password.size() == PasswordLength &&
         std::all_of(password.begin(), password.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool SendNewPassword(Link& link, const QByteArray& password) {
  link.SendFrame(Cmd::PasswordChange, password);
  return link.WaitForReply(Waits::ShortTicks, Cmd::PasswordChange);
}
}  // namespace Maintenance
