#include "file_size_signal.h"

#include <csignal>

namespace FileSizeSignal {
void Ignore() { std::signal(SIGXFSZ, SIG_IGN); }
}  // namespace FileSizeSignal
