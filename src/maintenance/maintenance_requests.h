#pragma once
// The one-frame maintenance requests and the password change, as both front ends send them.
#include <QByteArray>

class Link;

namespace Maintenance {
inline constexpr int PasswordLength = 4;

// Restarts the controller; nothing waits for an answer.
void RestartController(Link& link);
// Resets the day's SMS and voice-call counters; nothing waits for an answer.
void ResetCounters(Link& link);
// A password the controller can be given: exactly four digits, the length of the window's
// password field (a longer or other password could never be typed there to log in again).
bool IsValidPassword(const QByteArray& password);
// Sends the new password and waits for the controller's answer (three attempts of 1 s).
bool SendNewPassword(Link& link, const QByteArray& password);
}  // namespace Maintenance
