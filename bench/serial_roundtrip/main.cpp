// Round trips of a 5-byte request and a 10-byte reply over a pseudo-terminal, with a peer
// thread on the master side that answers at once: through TComPort (OnRxChar on the UI thread)
// and through QSerialPort (readyRead). Then the CPU an open, idle TComPort uses.
//   serial_roundtrip [trips] [idle seconds]
//
// The round trips that make the RESULT are measured with the processors' idle states held off
// (/dev/cpu_dma_latency, as latency benchmarks do). On a virtual machine, waking a halted
// processor takes tens of microseconds, and whether a trip meets that depends on how long the
// process stays busy after its write, not on how fast it is: a process that burns a few more
// microseconds after writing keeps its processor awake and gets its reply sooner. The figures
// with idle states allowed are printed as well; where the hold is not allowed (it needs root),
// they make the RESULT and a note says so.
#include "comport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <thread>
#include <time.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr int RequestSize = 5;
constexpr int ReplySize = 10;
const QByteArray Request("G\x50\x01GX", RequestSize);
const QByteArray Reply("g\x50\x06" "abcdefX", ReplySize);

double ProcessCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

// The controller's side: answers every whole request with a reply, until stopped.
class Peer {
 public:
  Peer() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
      std::perror("posix_openpt");
      std::exit(1);
    }
    char name[128];
    ptsname_r(master_, name, sizeof name);
    path_ = name;
    // Holding the slave open keeps the master from hanging up between the measurements.
    holder_ = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    stop_ = eventfd(0, EFD_CLOEXEC);
    thread_ = std::thread([this] { Run(); });
  }
  ~Peer() {
    const quint64 one = 1;
    [[maybe_unused]] ssize_t n = write(stop_, &one, sizeof one);
    thread_.join();
    close(stop_);
    close(holder_);
    close(master_);
  }
  QByteArray Path() const { return path_; }

 private:
  void Run() {
    int pending = 0;
    for (;;) {
      pollfd fds[2] = {{master_, POLLIN, 0}, {stop_, POLLIN, 0}};
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents) return;
      if (fds[0].revents & POLLIN) {
        char buffer[256];
        const ssize_t n = read(master_, buffer, sizeof buffer);
        if (n <= 0) continue;  // the slave is not open yet or was closed
        pending += int(n);
        for (; pending >= RequestSize; pending -= RequestSize) {
          [[maybe_unused]] ssize_t w = write(master_, Reply.constData(), ReplySize);
        }
      }
    }
  }
  int master_ = -1;
  int holder_ = -1;
  int stop_ = -1;
  QByteArray path_;
  std::thread thread_;
};

// Keeps every processor out of its idle states while it lives; the kernel drops the request
// when the descriptor closes.
class IdleStatesHeld {
 public:
  IdleStatesHeld() {
    fd_ = open("/dev/cpu_dma_latency", O_WRONLY | O_CLOEXEC);
    const std::int32_t none = 0;
    if (fd_ < 0 || write(fd_, &none, sizeof none) != sizeof none) {
      error_ = errno;
      Release();
    }
  }
  ~IdleStatesHeld() { Release(); }
  bool Held() const { return fd_ >= 0; }
  int Error() const { return error_; }

 private:
  void Release() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
  }
  int fd_ = -1;
  int error_ = 0;
};

struct Result {
  double medianUs = 0, p99Us = 0, cpuUsPerTrip = 0;
};

double Percentile(std::vector<double> values, int percent) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, values.size() * size_t(percent) / 100)];
}

// Round-trip times of all rounds of one implementation, and its CPU per trip in each round.
// The CPU figure is the median over the rounds: other work on the machine then weighs less.
struct Samples {
  std::vector<double> rttsUs;
  std::vector<double> cpuUsPerTrip;
  int trips = 0;

  Result Summary() const {
    return {Percentile(rttsUs, 50), Percentile(rttsUs, 99), Percentile(cpuUsPerTrip, 50)};
  }
};

// Counts the round trips of one round: after a warm-up, each reply's time since its request
// and the process CPU over the measured trips go into the samples.
class TripCounter {
 public:
  TripCounter(Samples& samples, int warmup, int trips)
      : samples_(samples), warmup_(warmup), trips_(trips) {}
  template <typename Send>
  void Start(Send send) {
    clock_.start();
    send();
  }
  // Returns true when another request should be sent.
  bool Received(int bytes) {
    got_ += bytes;
    if (got_ < ReplySize) return true;
    got_ -= ReplySize;
    const qint64 ns = clock_.nsecsElapsed();
    ++done_;
    if (done_ == warmup_) cpuStart_ = ProcessCpuSeconds();
    if (done_ > warmup_) samples_.rttsUs.push_back(double(ns) / 1000.0);
    if (done_ == warmup_ + trips_) {
      samples_.cpuUsPerTrip.push_back((ProcessCpuSeconds() - cpuStart_) * 1e6 / trips_);
      samples_.trips += trips_;
      QCoreApplication::quit();
      return false;
    }
    clock_.restart();
    return true;
  }

 private:
  Samples& samples_;
  int warmup_, trips_;
  int got_ = 0, done_ = 0;
  double cpuStart_ = 0;
  QElapsedTimer clock_;
};

void RunComPort(const QByteArray& path, int trips, Samples& samples) {
  TComPort port;
  port.SetPort(path);
  port.SetBaudRate(br1200);  // the program's setting; a pseudo-terminal ignores the speed
  TripCounter counter(samples, 50, trips);
  port.OnRxChar = [&](TCustomComPort* p, int count) {
    QByteArray text;
    p->ReadText(text, count);
    if (counter.Received(int(text.size()))) p->WriteText(Request);
  };
  port.OpenPort();
  QTimer::singleShot(0, [&] { counter.Start([&] { port.WriteText(Request); }); });
  QCoreApplication::exec();
  port.ClosePort();
}

void RunQSerialPort(const QByteArray& path, int trips, Samples& samples) {
  QSerialPort port;
  // A full path is taken as the device itself, so no name lookup is involved.
  port.setPortName(QString::fromLocal8Bit(path));
  port.setBaudRate(1200);
  if (!port.open(QIODevice::ReadWrite)) {
    std::fprintf(stderr, "QSerialPort could not open %s: %s\n", path.constData(),
                 qPrintable(port.errorString()));
    std::exit(1);
  }
  TripCounter counter(samples, 50, trips);
  QObject::connect(&port, &QSerialPort::readyRead, [&] {
    const QByteArray text = port.readAll();
    if (counter.Received(int(text.size()))) port.write(Request);
  });
  QTimer::singleShot(0, [&] { counter.Start([&] { port.write(Request); }); });
  QCoreApplication::exec();
  port.close();
}

double IdleCpuPercent(const QByteArray& path, int seconds) {
  TComPort port;
  port.SetPort(path);
  port.OpenPort();
  const double cpuStart = ProcessCpuSeconds();
  QElapsedTimer wall;
  wall.start();
  QTimer::singleShot(seconds * 1000, [] { QCoreApplication::quit(); });
  QCoreApplication::exec();
  const double cpu = ProcessCpuSeconds() - cpuStart;
  const double elapsed = double(wall.nsecsElapsed()) / 1e9;
  port.ClosePort();
  return cpu / elapsed * 100.0;
}

void Print(const char* name, const Result& r) {
  std::printf("%-12s median %8.1f us   p99 %8.1f us   cpu %8.1f us/trip\n", name, r.medianUs,
              r.p99Us, r.cpuUsPerTrip);
}

// Many short rounds, alternating which goes first, so that other work on the machine falls on
// both alike.
constexpr int Rounds = 20;

struct Measured {
  Result ours, qt;
  int trips = 0;
  double RttRatio() const { return ours.medianUs / qt.medianUs; }
  double CpuRatio() const { return ours.cpuUsPerTrip / qt.cpuUsPerTrip; }
  void Print() const {
    ::Print("TComPort", ours);
    ::Print("QSerialPort", qt);
    std::printf("rtt_ratio=%.3f cpu_ratio=%.3f\n", RttRatio(), CpuRatio());
  }
};

Measured MeasureRounds(const QByteArray& path, int trips) {
  Samples ourSamples, qtSamples;
  for (int round = 0; round < Rounds; ++round) {
    if (round % 2 == 0) RunComPort(path, trips / Rounds, ourSamples);
    RunQSerialPort(path, trips / Rounds, qtSamples);
    if (round % 2 == 1) RunComPort(path, trips / Rounds, ourSamples);
  }
  return {ourSamples.Summary(), qtSamples.Summary(), ourSamples.trips};
}
}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int trips = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int idleSeconds = argc > 2 ? std::atoi(argv[2]) : 10;

  Peer peer;  // its thread runs in both measurements alike
  Measured held;
  {
    const IdleStatesHeld idleStates;
    if (idleStates.Held()) held = MeasureRounds(peer.Path(), trips);
    else std::printf("note: idle states not held (/dev/cpu_dma_latency: %s): the RESULT includes "
                     "the time to wake an idle processor\n", std::strerror(idleStates.Error()));
  }
  const Measured free = MeasureRounds(peer.Path(), trips);
  std::printf("%d round trips each, in %d alternating rounds, of %d request bytes and %d reply "
              "bytes over %s\n", free.trips, Rounds, RequestSize, ReplySize,
              peer.Path().constData());
  if (held.trips > 0) {
    std::printf("idle states held off:\n");
    held.Print();
  }
  std::printf("idle states allowed:\n");
  free.Print();
  const Measured& result = held.trips > 0 ? held : free;
  const double idle = IdleCpuPercent(peer.Path(), idleSeconds);
  std::printf("idle open TComPort: %.4f %% of one core over %d s\n", idle, idleSeconds);
  std::printf("RESULT rtt_ratio=%.3f cpu_ratio=%.3f idle_cpu_pct=%.4f\n", result.RttRatio(),
              result.CpuRatio(), idle);
  return 0;
}
