#pragma once
// velt's own options, answered before the window system starts, so that they work without a
// display (the manual page is made from them at build time). Every other argument is Qt's
// (-platform, -style, ...).
#include <optional>

// Prints the answer to --help or --version and returns the exit status; nothing when the
// window is to start.
std::optional<int> AnswerProgramOptions(int argc, char** argv);
