#include "trace.h"

#include <cstdio>

void Trace::Line(SimTime at, const char* tag, const QByteArray& text) const {
  if (!enabled) return;
  const double seconds = std::chrono::duration<double>(at - start).count();
  std::fprintf(stderr, "velt-sim %8.3f %s %s\n", seconds, tag, text.constData());
  std::fflush(stderr);
}
