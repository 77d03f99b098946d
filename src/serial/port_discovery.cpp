#include "port_discovery.h"

#include "serial_check.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QtGlobal>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <libudev.h>
#include <memory>
#include <optional>
#include <tuple>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Port names travel in 256-byte buffers elsewhere in the program; longer ones are not offered.
constexpr int MaxNameBytes = 255;
// Ancestors visited when looking for a device's driver or its USB parent.
constexpr int MaxWalk = 32;

QByteArray Path(const QString& path) { return QFile::encodeName(path); }

// A small attribute file. Regular files only, opened without blocking, so that a FIFO or a
// device found where an attribute should be is never opened or waited on.
std::optional<QByteArray> ReadAttribute(const QString& path) {
  const QByteArray name = Path(path);
  struct stat st {};
  if (::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return std::nullopt;
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  QByteArray data(4096, Qt::Uninitialized);
  const ssize_t n = ::read(fd, data.data(), data.size());
  ::close(fd);
  if (n < 0) return std::nullopt;
  return data.left(n).trimmed();
}

QString AttributeText(const QString& path) {
  return QString::fromUtf8(ReadAttribute(path).value_or(QByteArray())).simplified();
}

// The target of a symbolic link as written in it; empty when `path` is no link.
QByteArray LinkTarget(const QByteArray& path) {
  char buffer[PATH_MAX];
  const ssize_t n = ::readlink(path.constData(), buffer, sizeof buffer);
  if (n <= 0 || n == static_cast<ssize_t>(sizeof buffer)) return {};
  return QByteArray(buffer, n);
}

QString LinkBaseName(const QString& path) {
  const QByteArray target = LinkTarget(Path(path));
  return QFile::decodeName(target.mid(target.lastIndexOf('/') + 1));
}

QString Canonical(const QByteArray& path) {
  std::unique_ptr<char, decltype(&std::free)> real(::realpath(path.constData(), nullptr), &std::free);
  return real ? QFile::decodeName(real.get()) : QString();
}
QString Canonical(const QString& path) { return Canonical(Path(path)); }

// Whether velt would open the device: not when it is a session's terminal (a shell's, a
// getty's), which the open refuses (serial_check.h).
bool Openable(const QByteArray& node) {
  struct stat st {};
  return ::stat(node.constData(), &st) != 0 || !S_ISCHR(st.st_mode) || !SomeSessionsTerminal(st.st_rdev);
}

// The device folder and its ancestors below the sysfs root, nearest first.
QStringList DeviceLineage(const QString& device, const QString& sysfsRoot) {
  QStringList lineage;
  QString dir = device;
  while (lineage.size() < MaxWalk && dir.startsWith(sysfsRoot + u'/')) {
    lineage << dir;
    dir = dir.left(dir.lastIndexOf(u'/'));
  }
  return lineage;
}

// The driver that owns the port. The serial core's own "port" and "ctrl" devices sit between a
// UART and its terminal on newer kernels and say nothing about the hardware, so they are passed.
QString DriverName(const QStringList& lineage) {
  for (const QString& dir : lineage) {
    const QString driver = LinkBaseName(dir + "/driver");
    if (!driver.isEmpty() && LinkBaseName(dir + "/subsystem") != "serial-base") return driver;
  }
  return {};
}

// Maker and product as a USB device states them in its own files.
QString UsbNames(const QStringList& lineage) {
  for (const QString& dir : lineage) {
    const QString names =
        (AttributeText(dir + "/manufacturer") + u' ' + AttributeText(dir + "/product"))
            .simplified();
    if (!names.isEmpty()) return names;
  }
  return {};
}

struct UdevDeleter {
  void operator()(udev* u) const { udev_unref(u); }
  void operator()(udev_device* d) const { udev_device_unref(d); }
};
using Udev = std::unique_ptr<udev, UdevDeleter>;
using UdevDevice = std::unique_ptr<udev_device, UdevDeleter>;

// Maker and model from the device database; udev's own names use '_' for blanks.
QString UdevNames(udev* context, const QString& ttyName) {
  if (!context) return {};
  const UdevDevice device(
      udev_device_new_from_subsystem_sysname(context, "tty", Path(ttyName).constData()));
  if (!device) return {};
  const auto property = [&](const char* key) {
    return QString::fromUtf8(udev_device_get_property_value(device.get(), key));
  };
  QString vendor = property("ID_VENDOR_FROM_DATABASE");
  QString model = property("ID_MODEL_FROM_DATABASE");
  if (vendor.isEmpty()) vendor = property("ID_VENDOR").replace(u'_', u' ');
  if (model.isEmpty()) model = property("ID_MODEL").replace(u'_', u' ');
  return (vendor + u' ' + model).simplified();
}

QString Description(QString names, const QString& driver) {
  if (names.isEmpty()) names = QStringLiteral("Port szeregowy");
  return driver.isEmpty() ? names : names + " (" + driver + u')';
}

// ttyS2 sorts before ttyS10: the letters first, then the trailing number as a number.
bool NaturalLess(const QString& a, const QString& b) {
  const auto split = [](const QString& s) {
    qsizetype digits = s.size();
    while (digits > 0 && s.at(digits - 1).isDigit()) --digits;
    const QString number = s.mid(digits);
    // Numbers too long for an integer fall back to their length and text, which order the same.
    return std::make_tuple(s.left(digits), number.size(), number);
  };
  const auto ka = split(a), kb = split(b);
  if (ka != kb) return ka < kb;
  return a < b;
}

QList<DiscoveredPort> HardwarePorts(const DiscoveryRoots& roots) {
  const QString sysfsRoot = Canonical(roots.ttyClass + "/../..");
  if (sysfsRoot.isEmpty()) return {};
  const Udev context(roots.IsSystem() ? udev_new() : nullptr);

  QStringList entries = QDir(roots.ttyClass)
                            .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
  std::sort(entries.begin(), entries.end(), NaturalLess);

  QList<DiscoveredPort> ports;
  for (const QString& name : entries) {
    const QString entry = roots.ttyClass + u'/' + name;
    // Virtual consoles and pseudo-terminals have no device behind them.
    const QString device = Canonical(entry + "/device");
    if (device.isEmpty()) continue;
    // A UART slot whose chip was never found (type 0, unknown) cannot be opened.
    if (ReadAttribute(entry + "/type") == "0") continue;
    const QByteArray node = Path(roots.devices + u'/' + name);
    if (node.size() > MaxNameBytes || !QFileInfo::exists(QFile::decodeName(node)) || !Openable(node)) continue;

    const QStringList lineage = DeviceLineage(device, sysfsRoot);
    QString names = UdevNames(context.get(), name);
    if (names.isEmpty()) names = UsbNames(lineage);
    ports.append({node, Description(names, DriverName(lineage))});
  }
  return ports;
}

// velt-sim holds PATH.lock while it serves PATH. A lock file that nobody holds is left by a
// simulator that is gone, and its link may name a pseudo-terminal that a shell has now. Without a
// lock file there is nothing to tell by.
bool SimulatorGone(const QByteArray& link) {
  const int fd = ::open((link + ".lock").constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  const bool gone = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_SH | LOCK_NB) == 0;
  ::close(fd);  // and with it the lock just taken
  return gone;
}

// A link is a virtual port when it leads to a pseudo-terminal slave that exists now and is no
// session's terminal. Links into /proc are a process's own standard streams (/dev/stdin and its
// kin), not ports. The name is kept in its bytes, whatever they are.
std::optional<DiscoveredPort> VirtualPort(const QByteArray& name) {
  struct stat st {};
  if (name.size() > MaxNameBytes || ::lstat(name.constData(), &st) != 0 || !S_ISLNK(st.st_mode))
    return std::nullopt;
  if (LinkTarget(name).startsWith("/proc/")) return std::nullopt;
  const QString target = Canonical(name);
  static const QRegularExpression slave(QStringLiteral("^/dev/pts/[0-9]+$"));
  if (!slave.match(target).hasMatch()) return std::nullopt;
  if (::stat(name.constData(), &st) != 0 || !S_ISCHR(st.st_mode) || SimulatorGone(name) || !Openable(name))
    return std::nullopt;
  return DiscoveredPort{name, QStringLiteral("Port wirtualny (%1)").arg(target)};
}

// The names in a folder as the system keeps them: a listing decoded to text loses the bytes of
// a name that is not UTF-8.
QList<QByteArray> EntryNames(const QByteArray& folder) {
  QList<QByteArray> names;
  const std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.constData()), &::closedir);
  if (!dir) return names;
  while (const dirent* entry = ::readdir(dir.get())) {
    const QByteArray name(entry->d_name);
    if (name != "." && name != "..") names.append(name);
  }
  return names;
}

QList<DiscoveredPort> VirtualPorts(const DiscoveryRoots& roots) {
  QSet<QString> seenFolders;
  QList<DiscoveredPort> ports;
  for (const QString& folder : roots.virtualFolders) {
    const QString canonical = Canonical(folder);
    if (canonical.isEmpty() || seenFolders.contains(canonical)) continue;
    seenFolders.insert(canonical);
    const QByteArray path = Path(folder);
    for (const QByteArray& entry : EntryNames(path)) {
      if (auto port = VirtualPort(path + '/' + entry)) ports.append(*port);
    }
  }
  std::sort(ports.begin(), ports.end(),
            [](const DiscoveredPort& a, const DiscoveredPort& b) { return a.name < b.name; });
  return ports;
}

}  // namespace

DiscoveryRoots DiscoveryRoots::System() {
  DiscoveryRoots roots{QStringLiteral("/sys/class/tty"), QStringLiteral("/dev"),
                       {QStringLiteral("/tmp")}};
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (!runtime.isEmpty()) roots.virtualFolders << runtime;
  roots.virtualFolders << QStringLiteral("/dev");
  return roots;
}

bool DiscoveryRoots::IsSystem() const { return ttyClass == "/sys/class/tty"; }

QList<DiscoveredPort> DiscoverPorts(const DiscoveryRoots& roots) {
  QList<DiscoveredPort> ports;
  QSet<QByteArray> names;
  for (const DiscoveredPort& port : VirtualPorts(roots) + HardwarePorts(roots)) {
    if (names.contains(port.name)) continue;
    names.insert(port.name);
    ports.append(port);
  }
  return ports;
}
