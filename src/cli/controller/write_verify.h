#pragma once
// Items written to the controller and, when asked, read back and compared as the window would
// show them (a text ends at its first NUL, reserved flag bits are not looked at).
#include <QJsonObject>
#include <QStringList>
#include <optional>

#include "item_values.h"

class Console;
class Session;

struct WriteOutcome {
  int written = 0;
  std::optional<QList<Keyed::Difference>> differences;  // none: not verified

  ExitStatus Status() const;
  QString Verification() const;  // "zgodna", "nie wykonana", ...
  void AddTo(QJsonObject& result) const;  // "written", "verified", "differences"
  QStringList Lines() const;
};

// Throws CliError.
WriteOutcome WriteItems(Session& session, const ItemValues& values, bool verify, Console& console);
