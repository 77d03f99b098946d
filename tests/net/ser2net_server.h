#pragma once
// ser2net on a loopback port in front of a device (the simulator's pseudo-terminal), raw or
// with the Telnet COM-port option, set up as the README recommends (no Nagle delay on the
// accepter, no character delay). It can be stopped, cutting its connections, and started again
// on the same port.
#include <QProcess>
#include <QString>
#include <QTemporaryDir>

class Ser2NetServer {
 public:
  enum Kind { Raw, Rfc2217 };
  // `defaults`: ser2net as it comes, with Nagle's delay and its character delay.
  Ser2NetServer(QString device, Kind kind, bool defaults = false);
  ~Ser2NetServer();

  bool Start(QString* why);  // returns once ser2net listens
  void Stop();               // its connections end with it
  QString Url() const;       // tcp://127.0.0.1:PORT or rfc2217://127.0.0.1:PORT
  int Port() const { return port_; }

  // A loopback port nothing listens on now.
  static int FreePort();
  // Whether something listens on the loopback port (from the kernel's table, without connecting).
  static bool Listening(int port);

 private:
  QString device_;
  Kind kind_;
  bool defaults_;
  int port_;
  QTemporaryDir folder_;
  QProcess process_;
};
