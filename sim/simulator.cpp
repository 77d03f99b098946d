#include "simulator.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "commands.h"
#include "frame.h"
#include "state_file.h"

namespace {

constexpr int BitsPerByte = 10;  // start, eight data bits, stop
constexpr auto HangupGrace = std::chrono::milliseconds(200);

ControllerSettings SettingsOf(const SimOptions& o) {
  return {o.version, o.stageStepMs, o.bootloaderQuietMs, o.seed};
}

std::chrono::nanoseconds ByteTime(int baud) {
  return baud > 0 ? std::chrono::nanoseconds(BitsPerByte * 1'000'000'000LL / baud) : std::chrono::nanoseconds(0);
}

// Bytes that a reply assembler skips: anything but the reply start byte.
QByteArray Noise(int count) {
  QByteArray noise;
  for (int i = 0; i < count; ++i) {
    char c = char(0x13 * (i + 1) + 0x5A);
    noise.append(c == Frame::ReplyStart ? '\0' : c);
  }
  return noise;
}

}  // namespace

Simulator::Simulator(SimOptions opts)
    : options(std::move(opts)),
      byteTime(ByteTime(options.baud)),
      trace(options.trace, SimClock::now()),
      controller(SettingsOf(options), ControllerState::New(options.password), SimClock::now()) {}

Simulator::~Simulator() { Stop(); }

bool Simulator::Start(QString* error) {
  if (thread.joinable()) {
    *error = QStringLiteral("the simulator is already running");
    return false;
  }
  QString why;
  std::optional<Faults> parsed = Faults::Parse(options.faults, &why);
  if (!parsed) {
    *error = why;
    return false;
  }
  {
    std::lock_guard lock(mutex);
    faults = *parsed;
    answeredSinceFaults = 0;
  }
  if (!LoadStateFile(error)) return false;
  if (!pty.Open(error)) return false;
  wakeFd = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
  if (wakeFd < 0) {
    *error = QStringLiteral("eventfd: %1").arg(QString::fromLocal8Bit(strerror(errno)));
    pty.Close();
    return false;
  }
  const SimTime now = SimClock::now();
  {
    std::lock_guard lock(mutex);
    controller.PowerOn(now);
  }
  parser = RequestParser();
  arrivals.clear();
  outgoing.clear();
  hangupAt.reset();
  rxLineFree = txLineFree = lastWrite = now;
  stopping = false;
  serving = true;
  trace.Note(now, QStringLiteral("serving on %1").arg(pty.SlavePath()));
  // The serving thread takes no signals: they belong to the program that runs the simulator.
  sigset_t all, previous;
  sigfillset(&all);
  pthread_sigmask(SIG_SETMASK, &all, &previous);
  thread = std::thread([this] { Serve(); });
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
  return true;
}

void Simulator::Stop() {
  if (!thread.joinable()) return;
  stopping = true;
  Wake();
  thread.join();
  ::close(wakeFd);
  wakeFd = -1;
  pty.Close();
  serving = false;
}

void Simulator::Wake() {
  if (wakeFd < 0) return;
  const quint64 one = 1;
  [[maybe_unused]] ssize_t n = ::write(wakeFd, &one, sizeof one);
}

// A state file whose contents cannot be used is moved aside, not overwritten: nothing in it is
// lost. Anything that is not a small regular file is refused and left alone.
bool Simulator::LoadStateFile(QString* error) {
  saveStateFile = !options.stateFile.isEmpty();
  if (!saveStateFile) return true;
  ControllerState loaded;
  QString why;
  switch (LoadState(options.stateFile, &loaded, &why)) {
    case StateFileLoad::Loaded: {
      std::lock_guard lock(mutex);
      controller.SetState(loaded);
      return true;
    }
    case StateFileLoad::Missing:
      return true;
    case StateFileLoad::Refused:
      saveStateFile = false;
      *error = QStringLiteral("state file %1 cannot be used: %2; it is left as it is").arg(options.stateFile, why);
      return false;
    case StateFileLoad::Unusable:
      break;
  }
  QString moveError;
  const QString aside = MoveAside(options.stateFile, &moveError);
  saveStateFile = !aside.isEmpty();
  std::fprintf(stderr, "velt-sim: state file %s cannot be used: %s\nvelt-sim: %s; starting with a new controller's values\n",
               qPrintable(options.stateFile), qPrintable(why),
               saveStateFile ? qPrintable(QStringLiteral("it was moved to %1").arg(aside))
                             : qPrintable(QStringLiteral("it could not be moved aside (%1), so nothing will be saved to it").arg(moveError)));
  std::fflush(stderr);
  return true;
}

void Simulator::SaveStateFile() {
  std::lock_guard one(saving);
  ControllerState state;
  {
    std::lock_guard lock(mutex);
    if (!saveStateFile) return;
    state = controller.State();
  }
  QString why;
  if (!SaveState(options.stateFile, state, &why)) {
    std::fprintf(stderr, "velt-sim: cannot save the state to %s: %s\n", qPrintable(options.stateFile), qPrintable(why));
    std::fflush(stderr);
  }
}

void Simulator::Serve() {
  while (!stopping) {
    // Closing the master throws away what the other end has not read yet, so the last answer
    // gets a moment to be read first.
    const SimTime now = SimClock::now();
    if (!HangupDue()) {
      hangupAt.reset();
    } else if (!hangupAt && outgoing.empty()) {
      hangupAt = std::max(now, lastWrite + HangupGrace);
    }
    if (hangupAt && now >= *hangupAt) {
      trace.Note(now, QStringLiteral("hang-up (fault): line closed"));
      pty.Close();
      break;
    }
    timespec wait{};
    timespec* timeout = nullptr;
    if (const std::optional<SimTime> deadline = NextDeadline()) {
      const auto left = std::max(std::chrono::nanoseconds(0), *deadline - SimClock::now());
      wait.tv_sec = time_t(left.count() / 1'000'000'000);
      wait.tv_nsec = long(left.count() % 1'000'000'000);
      timeout = &wait;
    }
    pollfd fds[2] = {{wakeFd, POLLIN, 0}, {pty.Master(), POLLIN, 0}};
    if (ppoll(fds, 2, timeout, nullptr) < 0 && errno != EINTR) {
      trace.Note(SimClock::now(), QStringLiteral("poll failed: %1").arg(QString::fromLocal8Bit(strerror(errno))));
      break;
    }
    if (fds[0].revents & POLLIN) {
      quint64 count;
      [[maybe_unused]] ssize_t n = ::read(wakeFd, &count, sizeof count);
      if (stopping) break;
    }
    if (fds[1].revents & POLLIN) {
      if (!Receive(SimClock::now())) break;
    } else if (fds[1].revents & (POLLHUP | POLLERR | POLLNVAL)) {
      trace.Note(SimClock::now(), QStringLiteral("line lost"));
      break;
    }
    Advance(SimClock::now());
  }
  serving = false;
  if (!stopping && options.onEnded) options.onEnded();
}

bool Simulator::Receive(SimTime now) {
  char buffer[512];
  const ssize_t n = ::read(pty.Master(), buffer, sizeof buffer);
  if (n < 0 && (errno == EAGAIN || errno == EINTR)) return true;
  if (n <= 0) {
    trace.Note(now, QStringLiteral("line lost: %1").arg(n < 0 ? QString::fromLocal8Bit(strerror(errno)) : "end of file"));
    return false;
  }
  const int ignoredBefore = parser.IgnoredFrames();
  for (ssize_t i = 0; i < n; ++i) {
    SimTime at = now;
    if (byteTime.count() > 0) at = rxLineFree = std::max(now, rxLineFree) + byteTime;
    for (Request& r : parser.Feed(buffer[i], at)) arrivals.push_back(std::move(r));
  }
  if (parser.IgnoredFrames() != ignoredBefore)
    trace.Note(now, QStringLiteral("frame with a bad checksum ignored"));
  return true;
}

void Simulator::Advance(SimTime now) {
  if (const std::optional<SimTime> stale = parser.StaleAt(); stale && *stale <= now) {
    trace.Note(now, QStringLiteral("incomplete frame given up"));
    for (Request& r : parser.DropStale()) arrivals.push_back(std::move(r));
  }
  while (!arrivals.empty() && arrivals.front().at <= now) {
    Handle(arrivals.front());
    arrivals.pop_front();
  }
  QString note;
  {
    std::lock_guard lock(mutex);
    note = controller.Expire(now);
  }
  if (!note.isEmpty()) trace.Note(now, note);
  WriteDue(now);
}

void Simulator::Handle(const Request& request) {
  std::unique_lock lock(mutex);
  ++requestCount;
  if (options.requestLogLimit > 0) {
    if (log.size() >= options.requestLogLimit) log.removeFirst();
    log.append({MonotonicMs(request.at), request.command, request.payload});
  }
  logged.notify_all();
  const QString expired = controller.Expire(request.at);
  const Answer answer = controller.Handle(request, request.at, faults);
  Faults::Plan plan;
  if (answer.kind != Answer::Kind::None) plan = faults.PlanAnswer(request.command, answer.kind == Answer::Kind::Ack);
  if (request.command == Cmd::Restart) acknowledgedBlocks.clear();
  if (request.command == Cmd::FirmwareBlock && answer.kind == Answer::Kind::Ack && plan.send)
    acknowledgedBlocks.append(quint8(request.payload.at(0)));
  ++answeredSinceFaults;
  lock.unlock();

  if (!expired.isEmpty()) trace.Note(request.at, expired);
  trace.In(request.at, Frame::Request(request.command, request.payload));
  if (!answer.note.isEmpty()) trace.Note(request.at, answer.note);
  if (answer.stateChanged) SaveStateFile();
  if (answer.kind == Answer::Kind::None) return;
  if (!plan.send) {
    trace.Note(request.at, QStringLiteral("answer to command %1 held back (fault)").arg(request.command));
    return;
  }
  QByteArray bytes = answer.bytes;
  if (plan.corrupt) bytes.back() = char(bytes.back() + 1);
  Queue(Noise(plan.noiseBytes) + bytes, request.at + std::chrono::milliseconds(plan.delayMs), plan.splitMs);
}

// Bytes go out in order. On a paced line each byte reaches the other end 10 bit times after
// it starts, and starts when the line is free; split bytes leave splitMs after the previous one.
void Simulator::Queue(const QByteArray& bytes, SimTime due, int splitMs) {
  if (byteTime.count() == 0 && splitMs == 0) {
    txLineFree = std::max(due, txLineFree);
    outgoing.push_back({txLineFree, bytes});
    return;
  }
  const auto gap = std::chrono::milliseconds(splitMs);
  for (qsizetype i = 0; i < bytes.size(); ++i) {
    SimTime start = std::max(due, txLineFree);
    if (i > 0) start = std::max(start, outgoing.back().at + gap);
    txLineFree = start + byteTime;
    outgoing.push_back({txLineFree, bytes.mid(i, 1)});
  }
}

void Simulator::WriteDue(SimTime now) {
  while (!outgoing.empty() && outgoing.front().at <= now) {
    const QByteArray bytes = outgoing.front().bytes;
    outgoing.pop_front();
    const ssize_t n = ::write(pty.Master(), bytes.constData(), size_t(bytes.size()));
    lastWrite = now;
    if (n == bytes.size()) {
      trace.Out(now, bytes);
    } else {
      // Nobody reads the other end and its buffer is full: a line would lose them too.
      trace.Out(now, bytes.left(std::max<ssize_t>(n, 0)));
      trace.Note(now, QStringLiteral("%1 bytes lost: %2").arg(bytes.size() - std::max<ssize_t>(n, 0))
                          .arg(QString::fromLocal8Bit(strerror(errno))));
    }
  }
}

std::optional<SimTime> Simulator::NextDeadline() {
  std::optional<SimTime> next = parser.StaleAt();
  auto consider = [&next](std::optional<SimTime> t) {
    if (t && (!next || *t < *next)) next = t;
  };
  if (!arrivals.empty()) consider(arrivals.front().at);
  if (!outgoing.empty()) consider(outgoing.front().at);
  consider(hangupAt);
  std::lock_guard lock(mutex);
  consider(controller.BootloaderDeadline());
  return next;
}

bool Simulator::HangupDue() {
  std::lock_guard lock(mutex);
  const std::optional<int> after = faults.HangupAfter();
  return after && answeredSinceFaults >= *after;
}

QList<LoggedRequest> Simulator::Requests() const {
  std::lock_guard lock(mutex);
  return log;
}

qint64 Simulator::RequestCount() const {
  std::lock_guard lock(mutex);
  return requestCount;
}

void Simulator::ClearRequests() {
  std::lock_guard lock(mutex);
  log.clear();
  requestCount = 0;
}

bool Simulator::WaitForRequests(qint64 count, int timeoutMs) const {
  std::unique_lock lock(mutex);
  return logged.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return requestCount >= count; });
}

ControllerState Simulator::State() const {
  std::lock_guard lock(mutex);
  return controller.State();
}

void Simulator::SetState(const ControllerState& state) {
  {
    std::lock_guard lock(mutex);
    controller.SetState(state);
  }
  SaveStateFile();
}

bool Simulator::InBootloader() const {
  std::lock_guard lock(mutex);
  return controller.InBootloader();
}

QByteArray Simulator::ReceivedFirmware() const {
  std::lock_guard lock(mutex);
  return controller.ReceivedFirmware();
}

QList<quint8> Simulator::AcknowledgedBlocks() const {
  std::lock_guard lock(mutex);
  return acknowledgedBlocks;
}

bool Simulator::SetFaults(const QStringList& faultTexts, QString* error) {
  QString why;
  std::optional<Faults> parsed = Faults::Parse(faultTexts, &why);
  if (!parsed) {
    if (error) *error = why;
    return false;
  }
  {
    std::lock_guard lock(mutex);
    faults = *parsed;
    answeredSinceFaults = 0;
  }
  Wake();  // a hang-up may be due at once
  return true;
}

void Simulator::SetFixedStatus(std::optional<QByteArray> status) {
  std::lock_guard lock(mutex);
  controller.SetFixedStatus(std::move(status));
}
