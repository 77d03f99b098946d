#pragma once
// A command's visit to the controller: the port chosen and opened, the login, the command's own
// requests, the logout. The logout goes out also when the command fails or is interrupted, as
// long as the controller still answers.
#include <QByteArray>
#include <functional>

#include "cli_error.h"

struct CliOptions;
class Console;
class Interrupts;
class Session;

struct Context {
  const CliOptions& options;
  Console& console;
  Interrupts& interrupts;
};

struct VisitRules {
  bool loginRequired = true;  // false: a failed login is told and the command goes on
  bool logOut = true;         // false: the controller is restarting or in its bootloader
};

// The login password: --password, else $VELT_PASSWORD, else the window's "7315"; four digits.
// Throws CliError (Usage).
QByteArray LoginPassword(const CliOptions& options);

// Throws CliError.
ExitStatus VisitController(Context& context, const std::function<ExitStatus(Session&)>& body,
                           VisitRules rules = {});
// The same through a port already chosen, with the calling thread's console and interrupts.
ExitStatus VisitPort(const QByteArray& path, const QByteArray& password, Console& console, Interrupts& interrupts,
                     const std::function<ExitStatus(Session&)>& body, VisitRules rules = {});
