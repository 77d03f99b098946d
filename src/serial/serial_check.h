#pragma once
// Whether a path is a serial port that may be given the access password. A virtual port's link
// can outlive its simulator and come to name a pseudo-terminal that is now someone's shell: the
// login frame would be typed into it. The front ends ask before they open and again once open.
#include <QByteArray>
#include <QString>

inline constexpr char NotSerialPortText[] = "to nie jest port szeregowy";

// Before opening: a path that exists and is no character device (a file, a folder, a FIFO).
// Empty when it may be a port.
QString NotSerialPortBeforeOpen(const QByteArray& path);
// The open port: no terminal at all (/dev/null), or the controlling terminal of a session.
// Empty when it is a serial port.
QString NotSerialPort(int fd);
// For a device that turned out to be no terminal when it was set up (ENOTTY).
QString NotATerminal();
