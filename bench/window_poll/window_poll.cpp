// Usage: window_poll [seconds]   (default 60; run with a display or QT_QPA_PLATFORM=offscreen)
// Starts velt-sim as its own process, so only the configurator's CPU is counted.
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTest>
#include <QTextStream>
#include <QTimer>
#include <cstdio>

#include "application.h"
#include "tmain.h"

namespace {
double ProcessCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A plain event loop ended by one timer: QTest::qWait wakes every 10 ms, which would be
// counted as the window's own polling.
void Wait(int ms) {
  QEventLoop loop;
  QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
  loop.exec();
}
}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  TApplication app(argc, argv);
  const int seconds = argc > 1 ? QByteArray(argv[1]).toInt() : 60;
  QTextStream out(stdout);

  const QString link = QStringLiteral("/tmp/velt-bench-%1").arg(QCoreApplication::applicationPid());
  QProcess sim;
  sim.start(QStringLiteral(VELT_SIM_PATH), {QStringLiteral("--link"), link});
  if (!sim.waitForStarted() || !sim.waitForReadyRead(5000)) {
    out << "cannot start the simulator\n";
    return 1;
  }

  TMain window;
  window.show();
  if (!QTest::qWaitForWindowExposed(&window)) {
    out << "the window was not shown\n";
    return 1;
  }
  const qint64 startupMs = sinceStart.elapsed();
  out << "startup to window shown: " << startupMs << " ms\n";

  const int index = window.ui.ComCombo->findText(link);
  if (index < 0) {
    out << "the simulator's port is not listed\n";
    return 1;
  }
  window.ui.ComCombo->setCurrentIndex(index);
  window.ComPort.SetPort(link.toLocal8Bit());
  window.ui.Button_polacz->click();
  if (!window.LoggedIn) {
    out << "login failed\n";
    return 1;
  }

  Wait(1500);  // first polls settle
  const double cpuBefore = ProcessCpuSeconds();
  QElapsedTimer wall;
  wall.start();
  Wait(seconds * 1000);
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  const double wallSeconds = wall.elapsed() / 1000.0;
  const bool stillIn = window.LoggedIn;
  const double pct = 100.0 * cpu / wallSeconds;
  out << QStringLiteral("logged in and polling for %1 s: cpu %2 s (%3% of one core), %4\n")
             .arg(wallSeconds, 0, 'f', 1).arg(cpu, 0, 'f', 3).arg(pct, 0, 'f', 3)
             .arg(stillIn ? QStringLiteral("still logged in") : QStringLiteral("LOGGED OUT"));

  window.close();
  sim.terminate();
  sim.waitForFinished(3000);
  out << QStringLiteral("RESULT poll_cpu_pct=%1 startup_ms=%2\n").arg(pct, 0, 'f', 3).arg(startupMs);
  out.flush();
  return stillIn ? 0 : 1;
}
