#pragma once
// A pseudo-terminal that is some session's controlling terminal, as a shell's is: what a stale
// virtual port's link may come to name once its simulator is gone.
#include <QByteArray>
#include <QProcess>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

class SessionTerminal {
 public:
  SessionTerminal() {
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
    ::fcntl(master_, F_SETFL, O_NONBLOCK);  // what arrived is looked at, never waited for
    slave_ = ::ptsname(master_);
    // A new session's leader that opens a terminal takes it as its controlling terminal.
    const QByteArray slave = slave_;
    holder_.setChildProcessModifier([slave] {
      ::setsid();
      ::open(slave.constData(), O_RDWR);
    });
    holder_.start(QStringLiteral("sleep"), {QStringLiteral("60")});
    holder_.waitForStarted();
  }
  ~SessionTerminal() {
    holder_.kill();
    holder_.waitForFinished();
    if (master_ >= 0) ::close(master_);
  }

  bool Ready() const { return holder_.state() == QProcess::Running; }
  QByteArray Slave() const { return slave_; }  // "/dev/pts/N"
  int Master() const { return master_; }
  // The terminal's line settings as bytes, to tell whether anything touched them.
  QByteArray LineSettings() const { return LineSettingsOf(master_); }
  static QByteArray LineSettingsOf(int fd) {
    struct termios t;
    std::memset(&t, 0, sizeof t);  // the padding too, so that equal settings compare equal
    if (::tcgetattr(fd, &t) != 0) return {};
    return QByteArray(reinterpret_cast<const char*>(&t), sizeof t);
  }

 private:
  int master_ = -1;
  QByteArray slave_;
  QProcess holder_;
};
