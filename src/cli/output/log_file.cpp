#include "log_file.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "atomic_write.h"
#include "cli_error.h"
#include "config_source.h"
#include "native_name.h"
#include "system_error.h"

namespace {
// Ten minutes of replies and more; a reader further behind loses lines rather than memory.
constexpr qsizetype MostWaitingBytes = 64 * 1024;
}  // namespace

LogFile::LogFile(const QString& path, const QString& header, bool replace)
    : path_(path), header_(header.toUtf8() + '\n'), replace_(replace) {
  const QByteArray name = NameBytes(path);
  struct stat info {};
  if (::stat(name.constData(), &info) == 0 && !S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
    fd_ = ::open(name.constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0 && errno == ENXIO) Fail(QStringLiteral("nikt nie czyta z tej kolejki (FIFO)"));
    if (fd_ < 0) Fail(SystemErrorText(errno));
    return;
  }
  regular_ = true;
  CheckCanSave(path, replace, ExistingFile::Kept);
}

LogFile::~LogFile() {
  if (fd_ >= 0) ::close(fd_);
}

void LogFile::WriteLine(const QString& line) {
  const QByteArray bytes = line.toUtf8() + '\n';
  if (regular_ && fd_ < 0) return Create(header_ + bytes);
  if (!begun_) {
    waiting_.push_back(header_);
    waitingBytes_ += header_.size();
    begun_ = true;
  }
  Flush();
  if (waitingBytes_ + bytes.size() > MostWaitingBytes) {
    ++dropped_;
    return;
  }
  waiting_.push_back(bytes);
  waitingBytes_ += bytes.size();
  Flush();
}

// The header and the first line take the file's name together: until then a file of that name
// is as it was, and without replace_ one that appeared meanwhile is still kept.
void LogFile::Create(const QByteArray& firstLines) {
  QString error;
  bool taken = false;
  if (!(replace_ ? WriteFileAtomically(path_, firstLines, &error) : CreateFileAtomically(path_, firstLines, &error, &taken)))
    throw CliError(ExitStatus::Error, taken ? QStringLiteral("%1: plik już istnieje; --force go zastąpi").arg(path_) : error);
  fd_ = ::open(NameBytes(path_).constData(), O_WRONLY | O_APPEND | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) Fail(SystemErrorText(errno));
  begun_ = true;
  wholeBytes_ = ::lseek(fd_, 0, SEEK_END);
}

void LogFile::Flush() {
  while (!waiting_.empty()) {
    const QByteArray& line = waiting_.front();
    const ssize_t n = ::write(fd_, line.constData() + frontDone_, size_t(line.size() - frontDone_));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;  // the reader is behind
    if (n <= 0) FailWrite(n < 0 ? errno : EIO);
    frontDone_ += n;
    if (frontDone_ < line.size()) continue;
    wholeBytes_ += line.size();
    waitingBytes_ -= line.size();
    frontDone_ = 0;
    waiting_.pop_front();
  }
}

void LogFile::Finish() {
  if (fd_ >= 0) Flush();
  const int unwritten = dropped_ + int(waiting_.size());
  if (unwritten == 0) return;
  Fail(QStringLiteral("nie zapisano %1 %2: odbiorca nie czytał danych")
           .arg(unwritten)
           .arg(unwritten == 1 ? QStringLiteral("wiersza") : QStringLiteral("wierszy")));
}

void LogFile::FailWrite(int code) const {
  // A line cut short (the disk filled in its middle) is taken off again: a spreadsheet must not
  // take half a reply for a whole one.
  if (!regular_) Fail(SystemErrorText(code));
  const bool cut = ::ftruncate(fd_, wholeBytes_) == 0;
  Fail(QStringLiteral("%1; %2").arg(SystemErrorText(code), cut ? QStringLiteral("w pliku zostały tylko pełne wiersze")
                                                                : QStringLiteral("ostatni wiersz może być niepełny")));
}

void LogFile::Fail(const QString& why) const {
  throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(path_, why));
}
