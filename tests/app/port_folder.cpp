#include "port_folder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
const QString UartDevice = QStringLiteral("sys/devices/platform/serial8250");
}

PortFolder::PortFolder() {
  for (const char* dir : {"sys/class/tty", "dev", "ports"}) QDir().mkpath(Path(dir));
}

QString PortFolder::Relative(const QString& path) const {
  return path.startsWith(root.path() + '/') ? path.mid(root.path().size() + 1) : path;
}

DiscoveryRoots PortFolder::Roots() const {
  return {Path("sys/class/tty"), Path("dev"), {Path("ports")}};
}

bool PortFolder::Link(const QString& target, const QString& relative, QString* why) {
  if (QFileInfo(Path(relative)).isSymLink()) return true;  // shared by several ports
  QDir().mkpath(Path(relative).section('/', 0, -2));
  if (QFile::link(target, Path(relative))) return true;
  *why = "cannot link " + relative + " to " + target;
  return false;
}

bool PortFolder::WriteFile(const QString& relative, const QByteArray& text, QString* why) {
  QFile file(Path(relative));
  if (file.open(QIODevice::WriteOnly) && file.write(text) == text.size()) return true;
  *why = "cannot write " + relative;
  return false;
}

bool PortFolder::AddUart(const QString& name, QString* why) {
  const QString tty = UartDevice + "/tty/" + name;
  QDir().mkpath(Path(tty));
  QDir().mkpath(Path("sys/bus/platform/drivers/serial8250"));
  return Link(Path("sys/bus/platform/drivers/serial8250"), UartDevice + "/driver", why) &&
         Link(Path("sys/bus/platform"), UartDevice + "/subsystem", why) &&
         Link(Path(tty), "sys/class/tty/" + name, why) &&
         Link(Path(UartDevice), tty + "/device", why) &&
         WriteFile(tty + "/type", "4\n", why) &&  // 4: a 16550A; 0 would be an empty slot
         WriteFile("dev/" + name, {}, why);
}

QString PortFolder::AddLink(const QString& name, const QString& target, QString* why) {
  return Link(target, "ports/" + name, why) ? Path("ports/" + name) : QString();
}
