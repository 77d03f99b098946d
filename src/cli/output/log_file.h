#pragma once
// A file that a watch writes a line at a time. Each line is in the file before the next poll,
// so a watch that is cut short (Ctrl-C, a pulled adapter) leaves every reply so far.
#include <QFile>
#include <QString>

class LogFile {
 public:
  // Created or emptied; throws CliError (Error) naming the file. A FIFO nobody reads is
  // refused at once instead of waiting for a reader.
  explicit LogFile(const QString& path);
  void WriteLine(const QString& line);  // throws CliError (Error), a full disk for one

 private:
  [[noreturn]] void Fail(const QString& why) const;

  QString path_;
  QFile file_;
};
