// velt-sim: a VELT controller on a pseudo-terminal, for trying the configurator without one.
#include <QStringList>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include "command_line.h"
#include "simulator.h"

namespace {

QString SystemError(const char* what) {
  return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(strerror(errno)));
}

// Points link at target. An old symbolic link is replaced in one step (rename over it); any
// other file at that path is left alone.
bool MakeLink(const QString& link, const QString& target, QString* error) {
  const QByteArray path = link.toLocal8Bit();
  struct stat st {};
  if (lstat(path.constData(), &st) == 0 && !S_ISLNK(st.st_mode)) {
    *error = QStringLiteral("%1 exists and is not a symbolic link; it is not replaced").arg(link);
    return false;
  }
  const QByteArray temporary = path + ".velt-sim." + QByteArray::number(getpid());
  unlink(temporary.constData());
  if (symlink(target.toLocal8Bit().constData(), temporary.constData()) != 0) {
    *error = SystemError(temporary.constData());
    return false;
  }
  if (rename(temporary.constData(), path.constData()) != 0) {
    *error = SystemError(path.constData());
    unlink(temporary.constData());
    return false;
  }
  return true;
}

// Removes link only while it still points at target: a newer simulator may have taken it over.
void RemoveLink(const QString& link, const QString& target) {
  const QByteArray path = link.toLocal8Bit();
  char buffer[4096];
  const ssize_t n = readlink(path.constData(), buffer, sizeof buffer);
  if (n > 0 && QByteArray(buffer, n) == target.toLocal8Bit()) unlink(path.constData());
}

}  // namespace

int main(int argc, char** argv) {
  QStringList args;
  for (int i = 1; i < argc; ++i) args.append(QString::fromLocal8Bit(argv[i]));
  QString error;
  const std::optional<CommandLine> cl = ParseCommandLine(args, &error);
  if (!cl) {
    std::fprintf(stderr, "velt-sim: %s\nTry 'velt-sim --help'.\n", qPrintable(error));
    return 2;
  }
  if (cl->help) {
    std::fputs(qPrintable(Usage()), stdout);
    return 0;
  }

  // The serving thread inherits the mask, so the stopSignals reach sigwait below.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

  Simulator sim(cl->options);
  if (!sim.Start(&error)) {
    std::fprintf(stderr, "velt-sim: %s\n", qPrintable(error));
    return 1;
  }
  if (!cl->link.isEmpty() && !MakeLink(cl->link, sim.DevicePath(), &error)) {
    std::fprintf(stderr, "velt-sim: %s\n", qPrintable(error));
    return 1;
  }
  // One line: the device, then the link that points at it.
  if (cl->link.isEmpty())
    std::printf("%s\n", qPrintable(sim.DevicePath()));
  else
    std::printf("%s %s\n", qPrintable(sim.DevicePath()), qPrintable(cl->link));
  std::fflush(stdout);

  int received = 0;
  sigwait(&stopSignals, &received);
  sim.Stop();
  if (!cl->link.isEmpty()) RemoveLink(cl->link, sim.DevicePath());
  return 0;
}
