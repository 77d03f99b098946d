#include "progress_board.h"

#include "native_name.h"

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
constexpr int BarWidth = 10;

void ToTerminal(const QString& text) {
  const QByteArray bytes = text.toUtf8();
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
  std::fflush(stderr);
}

int TerminalWidth() {
  winsize size{};
  return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}
}  // namespace

ProgressBoard::ProgressBoard(const QList<QByteArray>& ports, const QStringList& sites, bool quiet)
    : console_(false, quiet), quiet_(quiet), terminal_(::isatty(STDERR_FILENO)) {
  for (qsizetype i = 0; i < ports.size(); ++i) {
    lines_.append({Escaped(NameFromBytes(ports[i])), Escaped(sites.value(i))});
    portWidth_ = qMax(portWidth_, lines_.back().port.size());
    siteWidth_ = qMax(siteWidth_, lines_.back().site.size());
  }
  if (terminal_ && !quiet_) Draw();
}

QString ProgressBoard::Name(int port) const {
  const Line& line = lines_[port];
  return line.site.isEmpty() ? line.port : QStringLiteral("%1 (%2)").arg(line.port, line.site);
}

void ProgressBoard::Begin(int port, const QString& step) {
  lines_[port].step = step;
  lines_[port].percent = 0;
  if (terminal_ && !quiet_) Draw();
}

void ProgressBoard::Percent(int port, int percent) {
  Line& line = lines_[port];
  percent = qBound(0, percent, 100);
  if (line.percent == percent) return;
  line.percent = percent;
  if (terminal_ && !quiet_) Draw();
}

void ProgressBoard::StepEnded(int port) {
  const Line& line = lines_[port];
  // A step cut short (no acknowledgement) says where it stopped; its port's result says why.
  Note(port, line.percent >= 100 ? QStringLiteral("%1: gotowe").arg(line.step)
                                 : QStringLiteral("%1: przerwane przy %2%").arg(line.step).arg(line.percent));
}

void ProgressBoard::Warn(int port, const QString& text) {
  Erase();
  console_.Warn(QStringLiteral("%1: %2").arg(Name(port), text));
  if (terminal_ && !quiet_) Draw();
}

void ProgressBoard::Finish(int port, ExitStatus status, const QString& result) {
  Note(port, status == ExitStatus::Done ? QStringLiteral("gotowe, %1").arg(result)
                                        : QStringLiteral("BŁĄD (status %1): %2").arg(int(status)).arg(result));
}

void ProgressBoard::Note(int port, const QString& text) {
  if (quiet_) return;
  Line& line = lines_[port];
  line.step = Escaped(text);
  line.percent = -1;
  if (terminal_)
    Draw();
  else
    console_.Info(QStringLiteral("%1: %2").arg(Name(port), text));
}

QString ProgressBoard::Shown(const Line& line) const {
  QString shown = line.port.leftJustified(portWidth_ + 2);
  if (siteWidth_ > 0) shown += line.site.leftJustified(siteWidth_ + 2);
  shown += line.step;
  if (line.percent >= 0) {
    const int filled = line.percent * BarWidth / 100;
    shown += QStringLiteral(" [%1%2] %3%").arg(QString(filled, u'#'), QString(BarWidth - filled, u'.')).arg(line.percent, 3);
  }
  return shown;
}

void ProgressBoard::Draw() {
  // A line wider than the terminal would wrap, and the board could no longer be found again.
  const int width = TerminalWidth();
  QString text = drawn_ > 0 ? QStringLiteral("\x1b[%1A").arg(drawn_) : QString();
  for (const Line& line : lines_) text += QStringLiteral("\r\x1b[K") + Shown(line).left(width - 1) + u'\n';
  ToTerminal(text);
  drawn_ = int(lines_.size());
}

void ProgressBoard::Erase() {
  if (drawn_ == 0) return;
  ToTerminal(QStringLiteral("\x1b[%1A\r\x1b[J").arg(drawn_));
  drawn_ = 0;
}
