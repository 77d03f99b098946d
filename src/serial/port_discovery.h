#pragma once
// The serial ports present on this machine: hardware ports from sysfs and virtual ports, which are
// symbolic links to pseudo-terminal slaves (a simulator's, for example).
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

struct DiscoveredPort {
  QByteArray name;      // the path to open, e.g. "/dev/ttyUSB0" or "/tmp/velt-sim"
  QString description;  // e.g. "FTDI FT232R USB UART (ftdi_sio)" or "Port wirtualny (/dev/pts/3)"
  bool operator==(const DiscoveredPort&) const = default;
};

// Where discovery looks. Tests point these at folders they build.
struct DiscoveryRoots {
  QString ttyClass;            // sysfs class folder of terminals
  QString devices;             // folder holding the device nodes
  QStringList virtualFolders;  // folders whose links to pseudo-terminals are virtual ports

  // /sys/class/tty and /dev; virtual ports in /tmp, $XDG_RUNTIME_DIR (when set) and /dev.
  static DiscoveryRoots System();
  bool IsSystem() const;
};

// Virtual ports first, by name; then hardware ports in natural order (ttyS2 before ttyS10).
// Entries that cannot be read or make no sense are skipped.
QList<DiscoveredPort> DiscoverPorts(const DiscoveryRoots& roots = DiscoveryRoots::System());
