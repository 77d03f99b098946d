// Discovery over sysfs-like folders built here, and over links to real pseudo-terminals.
#include "port_discovery.h"
#include "session_terminal.h"
#include "tst_ports.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// A layout is a list of steps, each relative to the test's root folder:
//   "D path" a folder, "F path=text" a file, "L path>target" a symbolic link to root/target,
//   "P path" a FIFO.
using Layout = QStringList;

// A device folder under sys/devices with its driver and bus.
Layout Device(const QString& device, const QString& driver, const QString& bus) {
  const QString dir = "sys/devices/" + device;
  return {"D " + dir, "D sys/bus/" + bus + "/drivers/" + driver,
          "L " + dir + "/driver>sys/bus/" + bus + "/drivers/" + driver,
          "L " + dir + "/subsystem>sys/bus/" + bus};
}

// A terminal of the tty class whose device is sys/devices/device, with its node in dev/.
Layout Tty(const QString& name, const QString& device, const QString& type = {},
           bool node = true) {
  const QString dir = "sys/devices/" + device + "/tty/" + name;
  Layout steps{"D " + dir, "L sys/class/tty/" + name + ">" + dir,
               "L " + dir + "/device>sys/devices/" + device};
  if (node) steps << "F dev/" + name + "=";
  if (!type.isNull()) steps << "F " + dir + "/type=" + type + "\n";
  return steps;
}

// A USB device's own description files.
Layout UsbNames(const QString& device, const QString& manufacturer, const QString& product) {
  Layout steps;
  if (!manufacturer.isNull())
    steps << "F sys/devices/" + device + "/manufacturer=" + manufacturer + "\n";
  if (!product.isNull()) steps << "F sys/devices/" + device + "/product=" + product + "\n";
  return steps;
}

// A UART on the platform bus; type 4 is a 16550A, 0 an empty slot.
Layout Uart(const QString& name, const QString& type) {
  return Device("platform/serial8250", "serial8250", "platform") +
         Tty(name, "platform/serial8250", type);
}

void Build(const QString& root, const Layout& layout) {
  QDir().mkpath(root + "/sys/class/tty");
  QDir().mkpath(root + "/dev");
  for (const QString& step : layout) {
    const QChar kind = step.at(0);
    const QString rest = step.mid(2);
    if (kind == 'D') {
      QVERIFY2(QDir().mkpath(root + '/' + rest), qPrintable(step));
    } else if (kind == 'F') {
      const QString path = root + '/' + rest.section('=', 0, 0);
      QDir().mkpath(path.section('/', 0, -2));
      QFile file(path);
      QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(step));
      file.write(rest.section('=', 1).toUtf8());
    } else if (kind == 'L') {
      const QString path = root + '/' + rest.section('>', 0, 0);
      if (QFileInfo(path).isSymLink()) continue;  // shared by two devices of a layout
      QDir().mkpath(path.section('/', 0, -2));
      QVERIFY2(QFile::link(root + '/' + rest.section('>', 1), path), qPrintable(step));
    } else if (kind == 'P') {
      QVERIFY2(::mkfifo(QFile::encodeName(root + '/' + rest).constData(), 0600) == 0,
               qPrintable(step));
    }
  }
}

// "name=description" with the root folder cut from the names.
QStringList Shown(const QList<DiscoveredPort>& ports, const QString& root) {
  QStringList shown;
  for (const DiscoveredPort& port : ports)
    shown << QFile::decodeName(port.name).remove(root + '/') + '=' + port.description;
  return shown;
}

// A name written with \xNN for bytes that are no text, as the system keeps it.
QByteArray Written(const QString& written) {
  QByteArray bytes = written.toUtf8();
  static const QRegularExpression escape(QStringLiteral("\\\\x([0-9a-f]{2})"));
  for (auto m = escape.globalMatch(written); m.hasNext();) {
    const QString hex = m.next().captured(1);
    bytes.replace(("\\x" + hex).toLatin1(), QByteArray(1, char(hex.toInt(nullptr, 16))));
  }
  return bytes;
}

DiscoveryRoots FakeRoots(const QString& root, const QStringList& virtualFolders = {}) {
  return {root + "/sys/class/tty", root + "/dev", virtualFolders};
}

// A pseudo-terminal pair that lives as long as the object.
struct Pty {
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  QString slave;
  Pty() {
    if (master >= 0 && ::grantpt(master) == 0 && ::unlockpt(master) == 0)
      slave = QString::fromLocal8Bit(::ptsname(master));
  }
  ~Pty() {
    if (master >= 0) ::close(master);
  }
};

}  // namespace

void TestPortDiscovery::hardwarePorts_data() {
  QTest::addColumn<Layout>("layout");
  QTest::addColumn<QStringList>("expected");

  const QString usbDevice = "pci0000:00/0000:00:14.0/usb1/1-2";
  QTest::newRow("usb adapter named by its maker")
      << Device(usbDevice, "usb", "usb") + Device(usbDevice + "/1-2:1.0", "ftdi_sio", "usb") +
             UsbNames(usbDevice, "FTDI", "FT232R USB UART") + Tty("ttyUSB0", usbDevice + "/1-2:1.0")
      << QStringList{"dev/ttyUSB0=FTDI FT232R USB UART (ftdi_sio)"};
  QTest::newRow("usb device with a product name only")
      << Device(usbDevice + "/1-2:1.0", "cdc_acm", "usb") +
             UsbNames(usbDevice, QString(), "Modem  GSM") + Tty("ttyACM0", usbDevice + "/1-2:1.0")
      << QStringList{"dev/ttyACM0=Modem GSM (cdc_acm)"};
  QTest::newRow("uart named by its driver")
      << Uart("ttyS0", "4") << QStringList{"dev/ttyS0=Port szeregowy (serial8250)"};
  QTest::newRow("phantom uart slots skipped")
      << Uart("ttyS0", "0") + Uart("ttyS1", "4") + Uart("ttyS2", "0") + Uart("ttyS31", "0")
      << QStringList{"dev/ttyS1=Port szeregowy (serial8250)"};
  QTest::newRow("serial core port layer passed over")
      << Device("platform/serial8250", "serial8250", "platform") +
             Device("platform/serial8250/serial8250:0", "ctrl", "serial-base") +
             Device("platform/serial8250/serial8250:0/serial8250:0.0", "port", "serial-base") +
             Tty("ttyS0", "platform/serial8250/serial8250:0/serial8250:0.0", "4")
      << QStringList{"dev/ttyS0=Port szeregowy (serial8250)"};
  QTest::newRow("natural order")
      << Uart("ttyS10", "4") + Uart("ttyS2", "4") + Uart("ttyS0", "4") +
             Device("usb/a", "ftdi_sio", "usb") + Tty("ttyUSB1", "usb/a") + Tty("ttyUSB0", "usb/a") +
             Device("usb/b", "cdc_acm", "usb") + Tty("ttyACM0", "usb/b")
      << QStringList{"dev/ttyACM0=Port szeregowy (cdc_acm)", "dev/ttyS0=Port szeregowy (serial8250)",
                     "dev/ttyS2=Port szeregowy (serial8250)", "dev/ttyS10=Port szeregowy (serial8250)",
                     "dev/ttyUSB0=Port szeregowy (ftdi_sio)", "dev/ttyUSB1=Port szeregowy (ftdi_sio)"};
  QTest::newRow("consoles and ptys have no device")
      << Layout{"D sys/devices/virtual/tty/tty1", "L sys/class/tty/tty1>sys/devices/virtual/tty/tty1",
                "D sys/class/tty/ptmx", "F dev/tty1=", "F dev/ptmx="} +
             Uart("ttyS0", "4")
      << QStringList{"dev/ttyS0=Port szeregowy (serial8250)"};
  QTest::newRow("dangling device link skipped")
      << Layout{"D sys/devices/x/tty/ttyS5", "L sys/class/tty/ttyS5>sys/devices/x/tty/ttyS5",
                "L sys/devices/x/tty/ttyS5/device>sys/devices/gone", "F dev/ttyS5="}
      << QStringList{};
  QTest::newRow("port without a device node skipped")
      << Uart("ttyS0", "4") + Tty("ttyS1", "platform/serial8250", "4", false)
      << QStringList{"dev/ttyS0=Port szeregowy (serial8250)"};
  QTest::newRow("no driver link") << Tty("ttyX0", "bare") << QStringList{"dev/ttyX0=Port szeregowy"};
  QTest::newRow("fifos where attributes should be")
      << Device("usb/c", "pl2303", "usb") + Tty("ttyUSB3", "usb/c") +
             Layout{"P sys/devices/usb/c/manufacturer", "P sys/devices/usb/c/tty/ttyUSB3/type"}
      << QStringList{"dev/ttyUSB3=Port szeregowy (pl2303)"};
  QTest::newRow("no ports at all") << Layout{} << QStringList{};
}

void TestPortDiscovery::hardwarePorts() {
  QFETCH(Layout, layout);
  QFETCH(QStringList, expected);
  QTemporaryDir root;
  QVERIFY(root.isValid());
  Build(root.path(), layout);
  QCOMPARE(Shown(DiscoverPorts(FakeRoots(root.path())), root.path()), expected);
}

void TestPortDiscovery::missingClassFolder() {
  QTemporaryDir root;
  QVERIFY(root.isValid());
  QVERIFY(DiscoverPorts(FakeRoots(root.path() + "/none")).isEmpty());
}

void TestPortDiscovery::virtualPorts_data() {
  // "name>target", target "PTY" for the slave, "SESSION" for a session's terminal; names may
  // hold \xNN for bytes that are no text.
  QTest::addColumn<QStringList>("links");
  QTest::addColumn<QStringList>("expected");

  QTest::newRow("link to a pty slave") << QStringList{"velt-sim>PTY"} << QStringList{"velt-sim"};
  QTest::newRow("sorted by name")
      << QStringList{"zeta>PTY", "alpha>PTY", "Mid>PTY"}
      << QStringList{"Mid", "alpha", "zeta"};
  QTest::newRow("chain of links") << QStringList{"first>PTY", "second>v/first"}
                                  << QStringList{"first", "second"};
  QTest::newRow("dangling link") << QStringList{"gone>/dev/pts/999999"} << QStringList{};
  QTest::newRow("link to a regular file") << QStringList{"file>v/plain.txt"} << QStringList{};
  QTest::newRow("link to a character device that is no pty")
      << QStringList{"null>/dev/null"} << QStringList{};
  QTest::newRow("link to the pty master") << QStringList{"master>/dev/ptmx"} << QStringList{};
  QTest::newRow("a standard stream through /proc")
      << QStringList{"stream>PROCFD"} << QStringList{};
  QTest::newRow("name longer than 255 bytes")
      << QStringList{QString(250, 'n') + ">PTY", "short>PTY"} << QStringList{"short"};
  QTest::newRow("simulator gone, its lock file left")
      << QStringList{"velt-sim>PTY", "velt-sim.lock>FREE", "other>PTY"} << QStringList{"other"};
  QTest::newRow("name in bytes that are no text")
      << QStringList{"bad\\xffname>PTY", "\\xef\\xbb\\xbfbom>PTY"} << QStringList{"bad\\xffname", "\\xef\\xbb\\xbfbom"};
  QTest::newRow("link to a session's terminal")
      << QStringList{"shell>SESSION", "velt-sim>PTY"} << QStringList{"velt-sim"};
  QTest::newRow("simulator serving, its lock held")
      << QStringList{"velt-sim>PTY", "velt-sim.lock>HELD"} << QStringList{"velt-sim"};
}

void TestPortDiscovery::virtualPorts() {
  QFETCH(QStringList, links);
  QFETCH(QStringList, expected);
  Pty pty;
  QVERIFY(!pty.slave.isEmpty());
  const int slaveFd = ::open(QFile::encodeName(pty.slave).constData(), O_RDWR | O_NOCTTY);
  QVERIFY(slaveFd >= 0);
  SessionTerminal session;
  QVERIFY(session.Ready());
  QTemporaryDir root;
  QVERIFY(root.isValid());
  const QString folder = root.path() + "/v";
  QDir().mkpath(folder);
  QFile plain(folder + "/plain.txt");
  QVERIFY(plain.open(QIODevice::WriteOnly));
  plain.close();

  QList<int> locks;  // lock files: "FREE" as a gone simulator leaves them, "HELD" as one serving holds them
  for (const QString& link : links) {
    QString target = link.section('>', 1);
    if (target == "FREE" || target == "HELD") {
      const int fd = ::open(QFile::encodeName(folder + '/' + link.section('>', 0, 0)).constData(), O_RDWR | O_CREAT, 0644);
      QVERIFY(fd >= 0 && (target == "FREE" || ::flock(fd, LOCK_EX) == 0));
      locks << fd;
      continue;
    }
    if (target == "PTY") target = pty.slave;
    else if (target == "SESSION") target = QString::fromLocal8Bit(session.Slave());
    else if (target == "PROCFD") target = QStringLiteral("/proc/self/fd/%1").arg(slaveFd);
    else if (target.startsWith("v/")) target = root.path() + '/' + target;
    QVERIFY(::symlink(QFile::encodeName(target).constData(), (QFile::encodeName(folder) + '/' + Written(link.section('>', 0, 0))).constData()) == 0);
  }
  const QList<DiscoveredPort> found = DiscoverPorts(FakeRoots(root.path(), {folder}));
  ::close(slaveFd);
  for (int fd : locks) ::close(fd);

  QList<QByteArray> names, expectedNames;
  for (const DiscoveredPort& port : found) {
    names << port.name.mid(QFile::encodeName(folder).size() + 1);
    QCOMPARE(port.description, "Port wirtualny (" + pty.slave + ')');
  }
  for (const QString& name : expected) expectedNames << Written(name);
  QCOMPARE(names, expectedNames);
}

// Virtual ports come before hardware ones; a folder named twice is searched once.
void TestPortDiscovery::virtualBeforeHardware() {
  Pty pty;
  QVERIFY(!pty.slave.isEmpty());
  QTemporaryDir root;
  QVERIFY(root.isValid());
  Build(root.path(), Uart("ttyS0", "4"));
  QVERIFY(QFile::link(pty.slave, root.path() + "/dev/zz-sim"));

  const QString dev = root.path() + "/dev";
  QCOMPARE(Shown(DiscoverPorts(FakeRoots(root.path(), {dev, dev + "/."})), root.path()),
           (QStringList{"dev/zz-sim=Port wirtualny (" + pty.slave + ')',
                        "dev/ttyS0=Port szeregowy (serial8250)"}));
}

// The real machine: whatever it has, discovery finishes and names only paths that exist.
void TestPortDiscovery::realSystem() {
  for (const DiscoveredPort& port : DiscoverPorts()) {
    QVERIFY2(QFileInfo::exists(QFile::decodeName(port.name)), port.name.constData());
    QVERIFY(!port.description.isEmpty());
  }
}
