// Usage: workshop
// velt-cli against 1, 4 and 8 simulated controllers at once, each on a line paced at 1200 bit/s:
// "provision --verify" of a template and a site each, then "firmware" of a 4 KiB image. For each
// the wall time, velt-cli's CPU (user and system, all its threads) and its peak resident memory,
// taken from the ended child by wait4. The ratios compare 8 controllers with one alone: the time
// should stay about that of one, and the CPU per controller no higher. The machine's load is
// printed before and after, since other programs share its cores. Last, 16 controllers at once,
// 8 on their pseudo-terminals and 8 through ser2net on loopback (raw and RFC 2217 in turn, set
// up as the README recommends), against one alone.
#include <QCoreApplication>
#include <QDir>
#include <QMap>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <fcntl.h>
#include <memory>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>
#include <vector>

#include "ser2net_server.h"
#include "simulator.h"

extern char** environ;

namespace {
constexpr int Baud = 1200;
constexpr int ImageBytes = 4096;
const int Counts[] = {1, 4, 8};
constexpr int MixedLocal = 8;
constexpr int MixedNetwork = 8;

struct Run {
  bool ok = false;
  double seconds = 0;
  double cpuSeconds = 0;
  double peakMb = 0;
  QString output;
};

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

QString Load() {
  QFile file("/proc/loadavg");
  return file.open(QIODevice::ReadOnly) ? QString::fromLatin1(file.readAll()).section(u' ', 0, 2) : QStringLiteral("?");
}

// velt-cli with its output in a file, waited for with wait4 for the child's own figures.
Run RunCli(const QStringList& arguments, const QString& outputPath) {
  std::vector<QByteArray> bytes{QByteArray(VELT_CLI_PATH)};
  for (const QString& a : arguments) bytes.push_back(a.toUtf8());
  std::vector<char*> argv;
  for (QByteArray& b : bytes) argv.push_back(b.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  const QByteArray out = QFile::encodeName(outputPath);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  Run run;
  const double start = Now();
  pid_t pid = 0;
  const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return run;
  int status = 0;
  rusage usage{};
  wait4(pid, &status, 0, &usage);
  run.seconds = Now() - start;
  run.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  run.peakMb = double(usage.ru_maxrss) / 1024;  // kilobytes on Linux
  run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
  QFile file(outputPath);
  if (file.open(QIODevice::ReadOnly)) run.output = QString::fromUtf8(file.readAll());
  return run;
}

QByteArray FirmwareFile() {
  QByteArray bytes = "gfr";
  for (int i = 0; i < ImageBytes; ++i) bytes.append(char(i * 7));
  char check = 0;
  for (char b : bytes) check = char(check ^ b);
  return bytes + check;
}

bool WriteFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Pair {
  Run provision, firmware;
};

// Both runs on `count` fresh controllers, the last `networked` of them through ser2net; false
// with the reason printed.
bool Measure(int count, const QDir& folder, QTextStream& out, Pair& pair, int networked = 0) {
  std::vector<std::unique_ptr<Simulator>> sims;
  std::vector<std::unique_ptr<Ser2NetServer>> servers;
  QStringList ports;
  QByteArray table = "site,port,phone1,limit_sms\n";
  for (int n = 0; n < count; ++n) {
    sims.push_back(std::make_unique<Simulator>(SimOptions{.baud = Baud, .stageStepMs = 0}));
    QString why;
    if (!sims.back()->Start(&why)) {
      out << "cannot start a simulator: " << why << '\n';
      return false;
    }
    QString port = sims.back()->DevicePath();
    if (n >= count - networked) {
      const auto kind = n % 2 ? Ser2NetServer::Rfc2217 : Ser2NetServer::Raw;
      servers.push_back(std::make_unique<Ser2NetServer>(port, kind));
      if (!servers.back()->Start(&why)) {
        out << "cannot start ser2net: " << why << '\n';
        return false;
      }
      port = servers.back()->Url();
    }
    ports << "-p" << port;
    table += QStringLiteral("Obiekt-%1,%2,+486001002%3,%4\n").arg(n).arg(port).arg(n, 2, 10, QChar(u'0')).arg(n).toUtf8();
  }
  const QString sites = folder.filePath(QStringLiteral("sites-%1.csv").arg(count));
  const QString image = folder.filePath(QStringLiteral("image.gfr"));
  const QString templ = folder.filePath(QStringLiteral("template.json"));
  if (!WriteFile(sites, table) || !WriteFile(image, FirmwareFile()) || !WriteFile(templ, R"({"phone2": "+48000"})")) {
    out << "cannot write the files\n";
    return false;
  }
  const QString log = folder.filePath(QStringLiteral("velt-cli.log"));
  // One alone goes the one-port way, which names its site.
  const QStringList site = count == 1 ? QStringList{"--site", QStringLiteral("Obiekt-0")} : QStringList();
  pair.provision = RunCli(ports + QStringList{"provision", templ, "--sites", sites, "--verify"} + site, log);
  pair.firmware = pair.provision.ok ? RunCli(ports + QStringList{"firmware", image}, log) : Run{};
  for (const Run* run : {&pair.provision, &pair.firmware}) {
    if (run->ok) continue;
    out << QStringLiteral("velt-cli failed with %1 controllers:\n%2\n").arg(count).arg(run->output);
    return false;
  }
  return true;
}

void Print(QTextStream& out, const char* what, int count, const Run& run) {
  out << QStringLiteral("%1 x%2: %3 s, velt-cli CPU %4 s (%5 s a controller), peak %6 MB\n")
             .arg(QLatin1String(what)).arg(count).arg(run.seconds, 0, 'f', 2).arg(run.cpuSeconds, 0, 'f', 3)
             .arg(run.cpuSeconds / count, 0, 'f', 3).arg(run.peakMb, 0, 'f', 1);
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTextStream out(stdout);
  ::unsetenv("VELT_PASSWORD");
  QTemporaryDir folder;
  if (!folder.isValid()) return 1;
  const QString loadBefore = Load();
  out << "load before: " << loadBefore << '\n';
  QMap<int, Pair> runs;
  for (int count : Counts) {
    Pair pair;
    if (!Measure(count, QDir(folder.path()), out, pair)) return 1;
    Print(out, "provision --verify", count, pair.provision);
    Print(out, "firmware 4 KiB", count, pair.firmware);
    out.flush();
    runs.insert(count, pair);
  }
  Pair mixed;
  if (!Measure(MixedLocal + MixedNetwork, QDir(folder.path()), out, mixed, MixedNetwork)) return 1;
  Print(out, "provision --verify, 8 local + 8 ser2net,", MixedLocal + MixedNetwork, mixed.provision);
  Print(out, "firmware 4 KiB, 8 local + 8 ser2net,", MixedLocal + MixedNetwork, mixed.firmware);
  const QString loadAfter = Load();
  out << "load after: " << loadAfter << '\n';
  const Pair& one = runs.value(1);
  const Pair& eight = runs.value(8);
  const auto perController = [](const Run& run, int count) { return run.cpuSeconds / count; };
  out << QStringLiteral("RESULT provision_ratio=%1 firmware_ratio=%2 provision_cpu_ratio=%3 firmware_cpu_ratio=%4 "
                        "peak_mb_8=%5 provision_s_1=%6 provision_s_8=%7 firmware_s_1=%8 firmware_s_8=%9 load_before=%10 load_after=%11\n")
             .arg(eight.provision.seconds / one.provision.seconds, 0, 'f', 3)
             .arg(eight.firmware.seconds / one.firmware.seconds, 0, 'f', 3)
             .arg(perController(eight.provision, 8) / perController(one.provision, 1), 0, 'f', 3)
             .arg(perController(eight.firmware, 8) / perController(one.firmware, 1), 0, 'f', 3)
             .arg(eight.provision.peakMb > eight.firmware.peakMb ? eight.provision.peakMb : eight.firmware.peakMb, 0, 'f', 1)
             .arg(one.provision.seconds, 0, 'f', 2).arg(eight.provision.seconds, 0, 'f', 2)
             .arg(one.firmware.seconds, 0, 'f', 2).arg(eight.firmware.seconds, 0, 'f', 2)
             .arg(loadBefore.section(u' ', 0, 0), loadAfter.section(u' ', 0, 0));
  out << QStringLiteral("RESULT mixed16_provision_ratio=%1 mixed16_firmware_ratio=%2 mixed16_provision_s=%3 mixed16_firmware_s=%4\n")
             .arg(mixed.provision.seconds / one.provision.seconds, 0, 'f', 3)
             .arg(mixed.firmware.seconds / one.firmware.seconds, 0, 'f', 3)
             .arg(mixed.provision.seconds, 0, 'f', 2).arg(mixed.firmware.seconds, 0, 'f', 2);
  return 0;
}
