// Usage: window_poll [seconds] [--chart]   (default 60; run with a display or QT_QPA_PLATFORM=offscreen)
// Starts velt-sim as its own process, so only the configurator's CPU is counted. --chart opens the
// signal chart with its ring already full, half an hour of replies, so that every poll redraws
// the most the chart ever draws.
#include <sys/resource.h>

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
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

// Resident memory in KiB.
qint64 ResidentKiB() {
  QFile status(QStringLiteral("/proc/self/status"));
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLongLong();
  return -1;
}

// Replies a second apart up to now, the level wandering and the modem restarting every ten
// minutes, so that the chart has gaps and stage changes to draw too.
void FillHistory(StatusHistory& history) {
  constexpr int RestartEvery = 600, StartUp = 25, Registered = 19, FirstWithLevel = 17;
  const ClockReading now = history.Now();
  int level = 15;
  for (int back = history.Capacity() - 1; back > 0; --back) {
    const int second = history.Capacity() - back;
    const int stage = second % RestartEvery < StartUp ? second % RestartEvery * Registered / StartUp : Registered;
    level = qBound(5, level + second * 7 % 5 - 2, 25);
    const char status[] = {0x05, char(0x80), char(stage), char(stage < FirstWithLevel ? 99 : level), 2, 1};
    history.Record(QByteArray(status, sizeof status), {now.monotonicMs - back * 1000LL, now.wallMs - back * 1000LL});
  }
}
}  // namespace

int main(int argc, char** argv) {
  QElapsedTimer sinceStart;
  sinceStart.start();
  TApplication app(argc, argv);
  const QStringList arguments = app.arguments().mid(1);
  const bool chart = arguments.contains(QStringLiteral("--chart"));
  int seconds = 60;
  for (const QString& a : arguments)
    if (a != u"--chart") seconds = a.toInt();
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

  if (chart) {
    FillHistory(window.History);
    window.ui.WykresGSM1->trigger();
  }
  Wait(1500);  // first polls settle
  const qint64 memoryBefore = ResidentKiB();
  const double cpuBefore = ProcessCpuSeconds();
  QElapsedTimer wall;
  wall.start();
  Wait(seconds * 1000);
  const double cpu = ProcessCpuSeconds() - cpuBefore;
  const double wallSeconds = wall.elapsed() / 1000.0;
  const bool stillIn = window.LoggedIn;
  const double pct = 100.0 * cpu / wallSeconds;
  const qint64 memoryAfter = ResidentKiB();
  out << QStringLiteral("logged in and polling for %1 s, chart %2: cpu %3 s (%4% of one core), %5\n")
             .arg(wallSeconds, 0, 'f', 1).arg(chart ? QStringLiteral("open") : QStringLiteral("closed"))
             .arg(cpu, 0, 'f', 3).arg(pct, 0, 'f', 3)
             .arg(stillIn ? QStringLiteral("still logged in") : QStringLiteral("LOGGED OUT"));
  out << QStringLiteral("resident memory: %1 KiB before, %2 KiB after, %3 replies kept\n")
             .arg(memoryBefore).arg(memoryAfter).arg(window.History.Size());

  window.close();
  sim.terminate();
  sim.waitForFinished(3000);
  out << QStringLiteral("RESULT poll_cpu_pct=%1 startup_ms=%2 chart=%3 rss_growth_kib=%4\n")
             .arg(pct, 0, 'f', 3).arg(startupMs).arg(chart ? 1 : 0).arg(memoryAfter - memoryBefore);
  out.flush();
  return stillIn ? 0 : 1;
}
