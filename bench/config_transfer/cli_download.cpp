// Usage: cli_download
// The full download of config_transfer, through velt-cli: "velt-cli read" against the in-process
// simulator on a line paced at 1200 bit/s, every text at its longest, timed from the program's
// start to its exit. The line's own limit is 10 bits for every byte of every frame in both
// directions (login, the 29 reads, logout) at 1200 bit/s, plus the 10 ms pause before each read.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include "cli_rig.h"
#include "frame.h"

namespace {
constexpr int Baud = 1200;
constexpr double BitsPerByte = 10;
constexpr double PauseSeconds = 0.010;
constexpr int LoginReplyPayload = 2;   // "T" and the firmware version
constexpr int LogoutReplyPayload = 1;  // the simulator answers "W"

// Bytes of the replies the controller sends during the download.
qint64 ReplyBytes(const ControllerState& state) {
  qint64 bytes = 2 * Frame::Overhead + LoginReplyPayload + LogoutReplyPayload;
  for (int k = 0; k < Cmd::ItemCount; ++k) bytes += Frame::Overhead + ReadReplyValue(k, state.items[size_t(k)]).size();
  return bytes;
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  // The download keeps its configuration, as in use, in a history of the run's own.
  QTemporaryDir dataHome;
  qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
  QTextStream out(stdout);
  CliRig rig({.baud = Baud, .stageStepMs = 0});
  QString why;
  if (!rig.Start(&why)) {
    out << "cannot start the simulator: " << why << '\n';
    return 1;
  }
  const ControllerState state = FullState();
  rig.sim.SetState(state);

  QElapsedTimer clock;
  clock.start();
  const CliResult result = rig.Run({"-q", "read"});
  const double seconds = double(clock.nsecsElapsed()) / 1e9;

  const QList<LoggedRequest> requests = rig.sim.Requests();
  qint64 bytesOut = 0;
  for (const LoggedRequest& r : requests) bytesOut += Frame::Overhead + r.payload.size();
  const qint64 bytesIn = ReplyBytes(state);
  const double limit = double(bytesOut + bytesIn) * BitsPerByte / Baud + PauseSeconds * Cmd::ItemCount;
  if (result.status != 0 || requests.size() != Cmd::ItemCount + 2 ||
      result.out.count(u'\n') != Cmd::ItemCount) {
    out << "the download did not complete as it should:\n" << result.Describe() << '\n';
    return 1;
  }
  out << QStringLiteral("velt-cli read: %1 requests, %2 bytes out, %3 bytes in: %4 s, line limit %5 s\n")
             .arg(requests.size()).arg(bytesOut).arg(bytesIn).arg(seconds, 0, 'f', 3).arg(limit, 0, 'f', 3);
  out << QStringLiteral("RESULT cli_download_seconds=%1 cli_download_limit=%2 cli_download_ratio=%3\n")
             .arg(seconds, 0, 'f', 3).arg(limit, 0, 'f', 3).arg(seconds / limit, 0, 'f', 3);
  return 0;
}
