// Usage: config_transfer   (offscreen unless QT_QPA_PLATFORM says otherwise)
// The window downloads and uploads the whole configuration from and to the in-process simulator
// on a line paced at 1200 bit/s, every text at its longest. Each transfer is timed against the
// least the line allows: 10 bits for every byte of every frame in both directions at 1200 bit/s,
// plus the 10 ms pause the transfer makes for each item. Both keep their configuration in the
// history, as they do in use.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include "application.h"
#include "commands.h"
#include "window_rig.h"

namespace {
constexpr int Baud = 1200;
constexpr double BitsPerByte = 10;
constexpr double PauseSeconds = 0.010;

// Every text at the window's longest, with Windows-1250 letters; every box ticked.
ControllerState Longest(ControllerState state) {
  const QByteArray letters = QByteArray::fromHex("a5c6caa3d1d38c8fafb9e6eab3f1f39c9fbf");
  state.items[0] = "0429";
  for (int k = 1; k <= 5; ++k) state.items[k] = "+480000000" + QByteArray::number(100 + k);
  for (int k = 6; k <= 15; ++k) state.items[k] = (letters + " IN" + QByteArray::number(k)).leftJustified(30, '.');
  for (int k = 16; k <= 21; ++k) state.items[k] = "\xaf" "W" + QByteArray::number(10 + k);
  state.items[22] = QByteArray(5, '\xff');
  state.items[23] = "\x3f";
  state.items[24] = "\x63\x01\x2a";
  state.items[25] = "\x63";
  state.items[26] = "\x63";
  state.items[27] = "\x0f";
  state.items[28] = letters.left(15);
  return state;
}

struct Timing {
  double seconds = 0;
  double limitSeconds = 0;
  int requests = 0;
  qint64 bytesOut = 0;
  qint64 bytesIn = 0;
  double ratio() const { return seconds / limitSeconds; }
};

class Bench {
 public:
  explicit Bench(WindowRig& rig) : rig(rig) {
    TMain* window = rig.window.get();
    window->ComPort.OnRxChar = [this, window](TCustomComPort* port, int count) {
      received += count;
      window->link.VaCommRxChar(port, count);
    };
  }

  // Clicks the speed button once the link is idle; the transfer runs within the click.
  bool Run(QAbstractButton* button, Timing* timing) {
    if (!QTest::qWaitFor([&] { return button->isEnabled() && rig.window->link.IsIdle(); }, 5000)) return false;
    const qint64 sinceMs = Simulator::NowMs();
    const qint64 receivedBefore = received;
    QElapsedTimer clock;
    clock.start();
    rig.Click(button);
    timing->seconds = double(clock.nsecsElapsed()) / 1e9;
    timing->bytesIn = received - receivedBefore;
    for (const LoggedRequest& r : rig.sim.Requests()) {
      if (r.ms < sinceMs || r.command == Cmd::Status) continue;
      ++timing->requests;
      timing->bytesOut += 4 + r.payload.size();  // start, command, length, payload, checksum
    }
    timing->limitSeconds = double(timing->bytesOut + timing->bytesIn) * BitsPerByte / Baud +
                           PauseSeconds * timing->requests;
    return timing->requests == Cmd::ItemCount && rig.window->LoggedIn;
  }

 private:
  WindowRig& rig;
  qint64 received = 0;
};
}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  QTextStream out(stdout);
  // The transfers keep their configurations, as in use, in a history of the run's own.
  QTemporaryDir dataHome;
  qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));

  WindowRig rig({.baud = Baud, .stageStepMs = 0});
  QString why;
  if (!rig.Start(&why) || !rig.LogIn(&why)) {
    out << "cannot start: " << why << '\n';
    return 1;
  }
  const ControllerState state = Longest(rig.sim.State());
  rig.sim.SetState(state);
  Bench bench(rig);

  Timing download, upload;
  const bool downloaded = bench.Run(rig.ui().Icon_get, &download);
  const bool uploaded = downloaded && bench.Run(rig.ui().Icon_put, &upload);
  const bool same = rig.sim.State().items == state.items;
  auto report = [&out](const char* what, const Timing& t) {
    out << QStringLiteral("%1: %2 requests, %3 bytes out, %4 bytes in: %5 s, line limit %6 s, ratio %7\n")
               .arg(QLatin1String(what)).arg(t.requests).arg(t.bytesOut).arg(t.bytesIn)
               .arg(t.seconds, 0, 'f', 3).arg(t.limitSeconds, 0, 'f', 3).arg(t.ratio(), 0, 'f', 3);
  };
  report("download", download);
  report("upload", upload);
  if (!downloaded || !uploaded || !same) {
    out << "the transfers did not complete as they should: " << rig.boxes.Summaries().join(" | ") << '\n';
    return 1;
  }
  out << QStringLiteral("RESULT download_ratio=%1 upload_ratio=%2\n")
             .arg(download.ratio(), 0, 'f', 3).arg(upload.ratio(), 0, 'f', 3);
  out.flush();
  rig.window->close();
  return 0;
}
