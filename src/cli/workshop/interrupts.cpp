#include "interrupts.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <sys/signalfd.h>
#include <unistd.h>

namespace {
sigset_t StopSignals() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGINT);
  sigaddset(&set, SIGTERM);
  // A closed terminal or SSH session: the command ends as it would on SIGTERM, logged out.
  sigaddset(&set, SIGHUP);
  return set;
}
}  // namespace

void Interrupts::BlockSignals() {
  const sigset_t set = StopSignals();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

Interrupts::Interrupts(Source source) {
  if (source == Source::Relayed) return;
  const sigset_t set = StopSignals();
  fd_ = ::signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  if (fd_ < 0) return;  // then the signals stay blocked and simply wait: nothing is lost
  notifier_ = new QSocketNotifier(fd_, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { Take(); });
}

Interrupts::~Interrupts() {
  delete notifier_;
  if (fd_ >= 0) ::close(fd_);
}

void Interrupts::Take() {
  signalfd_siginfo info;
  while (::read(fd_, &info, sizeof info) == ssize_t(sizeof info)) Note(int(info.ssi_signo));
}

void Interrupts::Note(int signal) {
  ++count_;
  if (count_ == 1) first_ = signal;
  if (wake_) wake_();
  if (OnInterrupt) OnInterrupt(count_);
}

QString Interrupts::Cause() const {
  switch (first_) {
    case SIGINT: return QStringLiteral("Ctrl-C");
    case SIGHUP: return QStringLiteral("SIGHUP, zamknięty terminal");
    default: return QStringLiteral("SIGTERM");
  }
}

bool Interrupts::Sleep(int ms) {
  const int before = count_;
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  wake_ = [&loop] { loop.quit(); };
  if (count_ == before) loop.exec();
  wake_ = nullptr;
  return count_ == before;
}
