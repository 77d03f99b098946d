// Usage: net_transfer
// A full configuration download ("velt-cli read") and upload ("velt-cli write") on a line paced
// at 1200 bit/s, every text at its longest: straight on the simulator's pseudo-terminal, then
// through ser2net on loopback in front of it, raw and with RFC 2217, set up as the README
// recommends (tcp(nodelay) on the accepter, chardelay: false), and for comparison with ser2net's
// defaults. Each is timed from velt-cli's start to its exit; the ratios compare each network
// way with the pseudo-terminal's time (the recommended set-up should stay within 1.02).
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>

#include "cli_rig.h"
#include "config_record.h"
#include "ser2net_server.h"

namespace {
constexpr int Baud = 1200;

struct Times {
  double download = 0;
  double upload = 0;
};

double Timed(const QStringList& arguments, bool* ok) {
  QElapsedTimer clock;
  clock.start();
  const CliResult result = RunCli(arguments, 120000);
  const double seconds = double(clock.nsecsElapsed()) / 1e9;
  if (result.status != 0) {
    QTextStream(stdout) << "velt-cli failed:\n" << result.Describe() << '\n';
    *ok = false;
  }
  return seconds;
}

Times Measure(CliRig& rig, const QString& port, bool* ok) {
  const QString file = rig.File(QStringLiteral("upload.gcf"), ConfigFileBytes("7315", FullState().items));
  Times t;
  t.download = Timed({"-q", "-p", port, "read"}, ok);
  t.upload = Timed({"-q", "-p", port, "write", file}, ok);
  return t;
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dataHome;
  qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
  ::unsetenv("VELT_PASSWORD");
  QTextStream out(stdout);
  CliRig rig({.baud = Baud, .stageStepMs = 0});
  QString why;
  if (!rig.Start(&why)) {
    out << "cannot start the simulator: " << why << '\n';
    return 1;
  }
  rig.sim.SetState(FullState());
  bool ok = true;
  const Times direct = Measure(rig, rig.sim.DevicePath(), &ok);
  out << QStringLiteral("pseudo-terminal: download %1 s, upload %2 s\n").arg(direct.download, 0, 'f', 3).arg(direct.upload, 0, 'f', 3);
  struct Way {
    const char* name;
    Ser2NetServer::Kind kind;
    bool defaults;
    Times times;
  };
  Way ways[] = {{"raw", Ser2NetServer::Raw, false, {}},
                {"rfc2217", Ser2NetServer::Rfc2217, false, {}},
                {"raw_defaults", Ser2NetServer::Raw, true, {}},
                {"rfc2217_defaults", Ser2NetServer::Rfc2217, true, {}}};
  for (Way& way : ways) {
    Ser2NetServer server(rig.sim.DevicePath(), way.kind, way.defaults);
    if (!server.Start(&why)) {
      out << "cannot start ser2net: " << why << '\n';
      return 1;
    }
    way.times = Measure(rig, server.Url(), &ok);
    out << QStringLiteral("%1 (%2): download %3 s (%4 x), upload %5 s (%6 x)\n")
               .arg(QLatin1String(way.name), server.Url())
               .arg(way.times.download, 0, 'f', 3).arg(way.times.download / direct.download, 0, 'f', 3)
               .arg(way.times.upload, 0, 'f', 3).arg(way.times.upload / direct.upload, 0, 'f', 3);
    out.flush();
  }
  if (!ok) return 1;
  QString result = QStringLiteral("RESULT pty_download_s=%1 pty_upload_s=%2").arg(direct.download, 0, 'f', 3).arg(direct.upload, 0, 'f', 3);
  for (const Way& way : ways)
    result += QStringLiteral(" %1_download_ratio=%2 %1_upload_ratio=%3")
                  .arg(QLatin1String(way.name))
                  .arg(way.times.download / direct.download, 0, 'f', 3)
                  .arg(way.times.upload / direct.upload, 0, 'f', 3);
  out << result << '\n';
  return 0;
}
