#include "pseudo_terminal.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/resource.h>
#include <unistd.h>

PseudoTerminal::PseudoTerminal() {
  master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
    qFatal("no pseudo-terminal: %s", strerror(errno));
  }
  char name[128];
  ::ptsname_r(master_, name, sizeof name);
  slavePath_ = name;
}

PseudoTerminal::~PseudoTerminal() { CloseMaster(); }

void PseudoTerminal::CloseMaster() {
  if (master_ >= 0) ::close(master_);
  master_ = -1;
}

bool PseudoTerminal::Write(const QByteArray& bytes) {
  qsizetype done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(master_, bytes.constData() + done, size_t(bytes.size() - done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += n;
  }
  return true;
}

QByteArray PseudoTerminal::Read(int count, int timeoutMs) {
  QByteArray result;
  QDeadlineTimer deadline(timeoutMs);
  while (result.size() < count) {
    pollfd p{master_, POLLIN, 0};
    const int r = ::poll(&p, 1, int(deadline.remainingTime()));
    if (r <= 0 || !(p.revents & POLLIN)) break;
    char buffer[4096];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) break;
    result.append(buffer, n);
  }
  return result;
}

PeerReader::PeerReader(const PseudoTerminal& pty)
    : master_(pty.Master()), stop_(::eventfd(0, EFD_CLOEXEC)), thread_([this] { Run(); }) {}

PeerReader::~PeerReader() {
  const quint64 one = 1;
  [[maybe_unused]] ssize_t n = ::write(stop_, &one, sizeof one);
  thread_.join();
  ::close(stop_);
}

void PeerReader::Run() {
  for (;;) {
    pollfd p[2] = {{master_, POLLIN, 0}, {stop_, POLLIN, 0}};
    if (::poll(p, 2, -1) < 0 && errno != EINTR) return;
    if (p[1].revents) return;
    if (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) return;  // the port side is closed
    if (!(p[0].revents & POLLIN)) continue;
    char buffer[65536];
    const ssize_t n = ::read(master_, buffer, sizeof buffer);
    if (n <= 0) continue;
    std::lock_guard lock(mutex_);
    received_.append(buffer, n);
  }
}

QByteArray PeerReader::Received() {
  std::lock_guard lock(mutex_);
  return received_;
}

int PeerReader::Count() {
  std::lock_guard lock(mutex_);
  return int(received_.size());
}

double ProcessCpuMs() {
  rusage u{};
  ::getrusage(RUSAGE_SELF, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

namespace {
QStringList EventThreadTasks() {
  QStringList found;
  const QDir tasks("/proc/self/task");
  for (const QString& task : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
    QFile comm(tasks.filePath(task + "/comm"));
    if (comm.open(QIODevice::ReadOnly) && comm.readAll().trimmed() == "TComThread") {
      found << tasks.filePath(task);
    }
  }
  return found;
}
}  // namespace

int EventThreadCount() { return int(EventThreadTasks().size()); }

long EventThreadSleeps() {
  const QStringList tasks = EventThreadTasks();
  if (tasks.isEmpty()) return -1;
  QFile status(tasks.first() + "/status");
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n')) {
    if (line.startsWith("voluntary_ctxt_switches:")) return line.mid(24).trimmed().toLong();
  }
  return -1;
}

bool EventThreadInEpoll() {
  const QStringList tasks = EventThreadTasks();
  if (tasks.isEmpty()) return false;
  QFile wchan(tasks.first() + "/wchan");
  return wchan.open(QIODevice::ReadOnly) && wchan.readAll().contains("epoll");
}
