#pragma once
// The command line of velt-sim.
#include <QString>
#include <QStringList>
#include <optional>

#include "simulator.h"

// The program's pace, that of the controller's line; the library's own default is unpaced.
inline constexpr int LineBaud = 1200;

struct CommandLine {
  SimOptions options;
  QString link;  // symlink to the device, when given
  bool help = false;
  bool version = false;
};

// Parses the arguments after the program name; on a bad one returns nothing and says why.
std::optional<CommandLine> ParseCommandLine(const QStringList& args, QString* error);
QString Usage();
