#pragma once
// Whether a path is a serial port that may be given the access password. A virtual port's link
// can outlive its simulator and come to name a pseudo-terminal that is now someone's shell: the
// login frame would be typed into it. The front ends ask before they open and again once open,
// before the line is set up (the port's OnCheckDevice).
#include <QByteArray>
#include <QString>
#include <sys/types.h>

inline constexpr char NotSerialPortText[] = "to nie jest port szeregowy";

// Before opening: a path that exists and is no character device (a file, a folder, a FIFO).
// Empty when it may be a port.
QString NotSerialPortBeforeOpen(const QByteArray& path);
// Whether the character device is the controlling terminal of some session (a shell's, a
// getty's): such a terminal is never opened, nor offered as a port.
bool SomeSessionsTerminal(dev_t device);
// The open port: no terminal at all (/dev/null), or the controlling terminal of a session.
// Empty when it is a serial port.
QString NotSerialPort(int fd);
