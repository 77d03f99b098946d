#include "console.h"

#include <QJsonDocument>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

#include "cli_error.h"
#include "native_name.h"
#include "standard_streams.h"
#include "system_error.h"

namespace {
constexpr int BarWidth = 30;
bool resultsClosed = false;

// False, with errno set, when the bytes did not all reach the stream's file.
bool WriteBytes(FILE* stream, const QByteArray& bytes) {
  errno = 0;
  const size_t written = std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
  return std::fflush(stream) == 0 && written == size_t(bytes.size());
}

// Standard error is where failures are told: when it fails too, nothing is left to tell it.
void Write(FILE* stream, const QString& text) { WriteBytes(stream, text.toUtf8()); }

[[noreturn]] void OutputFailed(int code) {
  throw CliError(ExitStatus::Error, QStringLiteral("nie można zapisać wyniku na standardowe wyjście: %1")
                                        .arg(SystemErrorText(code ? code : EIO)));
}
}  // namespace

bool IsControlCharacter(QChar c) {
  const char16_t u = c.unicode();
  return c.category() == QChar::Other_Control || (u >= 0x202a && u <= 0x202e) || (u >= 0x2066 && u <= 0x2069) ||
         u == 0x200e || u == 0x200f || u == 0x061c;
}

QString Escaped(const QString& text, bool keepLines) {
  QString shown;
  shown.reserve(text.size());
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    // A byte of a file name that is not UTF-8 is shown as the byte it is.
    if (const int kept = KeptByte(c.unicode()); kept >= 0 && !(i > 0 && text[i - 1].isHighSurrogate())) {
      shown += QStringLiteral("\\x%1").arg(kept, 2, 16, QLatin1Char('0'));
      continue;
    }
    if (!IsControlCharacter(c) || (keepLines && c == u'\n')) {
      shown += c;
      continue;
    }
    switch (c.unicode()) {
      case '\n': shown += QLatin1String("\\n"); break;
      case '\r': shown += QLatin1String("\\r"); break;
      case '\t': shown += QLatin1String("\\t"); break;
      default:
        shown += c.unicode() < 0x100 ? QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'))
                                     : QStringLiteral("\\u%1").arg(c.unicode(), 4, 16, QLatin1Char('0'));
    }
  }
  return shown;
}

QStringList AlignedColumns(const QList<QStringList>& rows) {
  QList<qsizetype> widths;
  for (const QStringList& row : rows)
    for (qsizetype c = 0; c + 1 < row.size(); ++c) {
      if (widths.size() <= c) widths.append(0);
      widths[c] = std::max(widths[c], row[c].size());
    }
  QStringList lines;
  for (const QStringList& row : rows) {
    QString line;
    for (qsizetype c = 0; c < row.size(); ++c) line += c + 1 < row.size() ? row[c].leftJustified(widths[c] + 2) : row[c];
    lines.append(line);
  }
  return lines;
}

void WriteResult(const QByteArray& bytes) {
  // Closed at the start, it holds /dev/null now, which would take the result without a word.
  if (resultsClosed || StandardStreams::OutputWasClosed()) OutputFailed(EBADF);
  if (!WriteBytes(stdout, bytes)) OutputFailed(errno);
}

void CloseResults() {
  if (resultsClosed) return;
  resultsClosed = true;
  // Nothing written and nothing to close is no failure: a script may close what it never reads.
  const bool failedBefore = std::ferror(stdout);
  errno = 0;
  if (std::fclose(stdout) != 0 && (failedBefore || errno != EBADF)) OutputFailed(errno);
}

Console::Console(bool json, bool quiet)
    : json_(json), quiet_(quiet), terminal_(::isatty(STDERR_FILENO)), resultsTerminal_(::isatty(STDOUT_FILENO)) {}

void Console::Result(const QString& line) {
  // The footer's line becomes the result's.
  if (footerOpen_) WriteResult("\r\x1b[K");
  footerOpen_ = false;
  WriteResult((Escaped(line, true) + u'\n').toUtf8());
}

void Console::Result(const QJsonObject& object) {
  EndFooter();
  WriteResult(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
}

void Console::Footer(const QString& line) {
  if (!resultsTerminal_ || json_ || quiet_) return;
  // A line wider than the terminal would wrap, and only its last row could be erased.
  winsize size{};
  const int width = ::ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
  WriteResult(((footerOpen_ ? QStringLiteral("\r\x1b[K") : QString()) + line.left(width - 1)).toUtf8());
  footerOpen_ = true;
}

void Console::EndFooter() {
  if (!footerOpen_) return;
  footerOpen_ = false;
  WriteResult("\n");
}

void Console::ToErr(const QString& text) {
  EndFooter();
  CloseBar();
  Write(stderr, Escaped(text, true) + u'\n');
}

void Console::Info(const QString& line) {
  if (!quiet_) ToErr(line);
}

void Console::Warn(const QString& line) { ToErr(QStringLiteral("velt-cli: uwaga: ") + line); }

void Console::Error(const QString& line) { ToErr(QStringLiteral("velt-cli: ") + line); }

void Console::BeginProgress(const QString& label) {
  label_ = label;
  shownTenth_ = -1;
  Progress(0);
}

void Console::Progress(int percent) {
  if (quiet_) return;
  percent = qBound(0, percent, 100);
  if (terminal_) {
    const int filled = percent * BarWidth / 100;
    Write(stderr, QStringLiteral("\r%1 [%2%3] %4%").arg(label_, QString(filled, u'#'),
                                                       QString(BarWidth - filled, u'.'))
                      .arg(percent, 3));
    barOpen_ = true;
    return;
  }
  if (percent / 10 == shownTenth_) return;
  shownTenth_ = percent / 10;
  Write(stderr, QStringLiteral("%1: %2%\n").arg(label_).arg(percent));
}

void Console::EndProgress() { CloseBar(); }

void Console::CloseBar() {
  if (!barOpen_) return;
  barOpen_ = false;
  Write(stderr, QStringLiteral("\n"));
}
