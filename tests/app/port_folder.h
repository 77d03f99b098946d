#pragma once
// A folder laid out like the system's view of its serial ports: a sysfs class folder of
// terminals with their devices, a folder of device nodes, and a folder of virtual ports
// (links to pseudo-terminals). The window is pointed at it instead of the machine's own.
#include <QString>
#include <QTemporaryDir>

#include "port_discovery.h"

class PortFolder {
 public:
  PortFolder();

  bool IsValid() const { return root.isValid(); }
  QString Path(const QString& relative) const { return root.path() + '/' + relative; }
  // Paths inside the folder are shown relative to it.
  QString Relative(const QString& path) const;
  DiscoveryRoots Roots() const;

  // A 16550A UART on the platform bus, with its node in dev/; false with the reason.
  bool AddUart(const QString& name, QString* why);
  // A virtual port ports/name that links to target; returns its path, empty on failure.
  QString AddLink(const QString& name, const QString& target, QString* why);

 private:
  bool Link(const QString& target, const QString& relative, QString* why);
  bool WriteFile(const QString& relative, const QByteArray& text, QString* why);

  QTemporaryDir root;
};
