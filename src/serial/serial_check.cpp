#include "serial_check.h"

#include <QDir>
#include <QFile>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {
QString Refusal(const char* what) { return QStringLiteral("%1 (%2)").arg(QString::fromUtf8(NotSerialPortText), QString::fromUtf8(what)); }
}  // namespace

// Whether any process has the terminal as its controlling terminal: the seventh field of
// /proc/PID/stat (the kernel tells a terminal's session only to its own processes).
bool SomeSessionsTerminal(dev_t device) {
  const QStringList processes = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
  for (const QString& pid : processes) {
    if (!pid.front().isDigit()) continue;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) continue;  // gone meanwhile
    const QByteArray line = stat.readAll();
    // After the name in parentheses (which may hold anything): state ppid pgrp session tty_nr.
    const QList<QByteArray> fields = line.mid(line.lastIndexOf(')') + 2).split(' ');
    if (fields.size() < 5) continue;
    const unsigned tty = fields[4].toUInt();
    if (tty != 0 && ::major(device) == ((tty >> 8) & 0xfff) && ::minor(device) == ((tty & 0xff) | ((tty >> 12) & 0xfff00)))
      return true;
  }
  return false;
}

QString NotSerialPortBeforeOpen(const QByteArray& path) {
  struct stat st {};
  if (::stat(path.constData(), &st) != 0 || S_ISCHR(st.st_mode)) return QString();
  if (S_ISDIR(st.st_mode)) return Refusal("folder");
  if (S_ISREG(st.st_mode)) return Refusal("zwykły plik");
  return Refusal("nie urządzenie znakowe");
}

QString NotSerialPort(int fd) {
  if (!::isatty(fd)) return Refusal("urządzenie nie jest terminalem");
  struct stat st {};
  if (::fstat(fd, &st) == 0 && SomeSessionsTerminal(st.st_rdev)) return Refusal("terminal, na którym działa sesja użytkownika");
  return QString();
}
