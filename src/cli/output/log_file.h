#pragma once
// The file a watch writes a line at a time, a header first. Each line goes out before the next
// poll, so a watch that is cut short (Ctrl-C, a pulled adapter) leaves every reply so far; no
// write ever waits, so a reader that stops reading (a FIFO, a stalled pipe) never holds up the
// line to the controller nor a stop signal.
#include <QByteArray>
#include <QString>
#include <deque>

class LogFile {
 public:
  // Checked at once, before any port is opened; throws CliError (Error) naming the file when the
  // lines could not go there, or a file is there and replace is false. A FIFO or a device is
  // opened now (a FIFO nobody reads is refused at once); a file is made by the first line only,
  // so a watch that never got a reply leaves the folder as it was.
  LogFile(const QString& path, const QString& header, bool replace);
  ~LogFile();
  LogFile(const LogFile&) = delete;
  LogFile& operator=(const LogFile&) = delete;

  // A line that a reader does not take yet waits, up to a bound; past it the line is counted as
  // not written. Throws CliError (Error) when the file fails (a full disk): only whole lines stay.
  void WriteLine(const QString& line);
  // The lines still waiting get one more try, without waiting; throws CliError (Error) telling
  // how many lines were not written, if any.
  void Finish();

 private:
  void Create(const QByteArray& firstLines);
  void Flush();
  [[noreturn]] void Fail(const QString& why) const;
  [[noreturn]] void FailWrite(int code) const;

  QString path_;
  QByteArray header_;
  bool replace_;
  int fd_ = -1;
  bool regular_ = false;        // a file of the folder, made by the first line
  bool begun_ = false;          // the header went out (or waits)
  qint64 wholeBytes_ = 0;       // of a regular file: up to the end of its last whole line
  std::deque<QByteArray> waiting_;
  qsizetype waitingBytes_ = 0;
  qsizetype frontDone_ = 0;     // bytes of the first waiting line that went out already
  int dropped_ = 0;
};
