// velt-sim: a VELT controller on a pseudo-terminal, for trying the configurator without one.
#include <QStringList>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include "command_line.h"
#include "device_link.h"
#include "file_size_signal.h"
#include "native_name.h"
#include "simulator.h"
#include "standard_streams.h"
#include "version.h"

namespace {

// Names in the text keep their bytes (native_name.h).
int Fail(const QString& error) {
  std::fprintf(stderr, "velt-sim: %s\n", NameBytes(error).constData());
  return 1;
}

// Sleeps until a stop signal arrives or the simulator stops serving by itself.
void WaitForTheEnd(int stopSignalFd, int ended) {
  pollfd fds[2] = {{stopSignalFd, POLLIN, 0}, {ended, POLLIN, 0}};
  while (poll(fds, 2, -1) < 0 && errno == EINTR) {
  }
}

}  // namespace

int main(int argc, char** argv) {
  StandardStreams::Occupy();
  FileSizeSignal::Ignore();
  QStringList args;
  for (int i = 1; i < argc; ++i) args.append(NameFromBytes(argv[i]));
  QString error;
  std::optional<CommandLine> cl = ParseCommandLine(args, &error);
  if (!cl) {
    std::fprintf(stderr, "velt-sim: %s\nTry 'velt-sim --help'.\n", NameBytes(error).constData());
    return 2;
  }
  if (cl->help) {
    std::fputs(qPrintable(Usage()), stdout);
    return 0;
  }
  if (cl->version) {
    std::puts(qPrintable(VersionText(QStringLiteral("velt-sim"))));
    return 0;
  }

  // Nobody reads the request log of the program.
  cl->options.requestLogLimit = 0;
  const int ended = eventfd(0, EFD_CLOEXEC);
  if (ended < 0) return Fail(QStringLiteral("eventfd: %1").arg(QString::fromLocal8Bit(strerror(errno))));
  cl->options.onEnded = [ended] {
    const quint64 one = 1;
    [[maybe_unused]] ssize_t n = write(ended, &one, sizeof one);
  };

  // Until there is a link to remove, a stop signal ends the program at once.
  Simulator sim(cl->options);
  if (!sim.Start(&error)) return Fail(error);

  // From here on the stop signals wait in a signalfd, so that the link always goes first.
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaddset(&stopSignals, s);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
  const int stopSignalFd = signalfd(-1, &stopSignals, SFD_CLOEXEC);
  if (stopSignalFd < 0) return Fail(QStringLiteral("signalfd: %1").arg(QString::fromLocal8Bit(strerror(errno))));

  DeviceLink link;
  const QByteArray device = NameBytes(sim.DevicePath());
  const QByteArray linkPath = NameBytes(cl->link);
  if (!linkPath.isEmpty() && !link.Make(linkPath, device, &error)) return Fail(error);
  // One line: the device, then the link that points at it, in the link's own bytes.
  if (linkPath.isEmpty())
    std::printf("%s\n", device.constData());
  else
    std::printf("%s %s\n", device.constData(), linkPath.constData());
  std::fflush(stdout);

  WaitForTheEnd(stopSignalFd, ended);
  sim.Stop();
  link.Remove();
  return 0;
}
