#pragma once
// What velt-cli's exit status tells a script, and the error that ends a command with one.
#include <QString>
#include <exception>

enum class ExitStatus : int {
  Done = 0,
  Error = 1,          // a file, a port or the controller's line failed; a reply too short; interrupted
  Usage = 2,          // the command line itself is wrong (option, key, typed value)
  NoReply = 3,        // the controller did not answer
  WrongPassword = 4,  // the controller refused the password
  Differences = 5,    // what was read back, or compared, differs
  RecordFailed = 6,   // the controller was written, its commissioning record could not be saved
  ControllerChanged = 7,  // the controller was changed (written, a new password), then a later
                          // step failed (the verification, the result, the logout)
};

// Thrown by the straight-line code of a command, never from inside an event handler.
class CliError : public std::exception {
 public:
  CliError(ExitStatus status, QString message) : status(status), message(std::move(message)) {}
  const char* what() const noexcept override { return "velt-cli error"; }

  ExitStatus status;
  QString message;
};

// A mistake in the command line: the command ends with Usage.
[[noreturn]] inline void RefuseUsage(const QString& message) { throw CliError(ExitStatus::Usage, message); }
