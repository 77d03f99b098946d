#pragma once
// A network port opened as a line: connected, for RFC 2217 with the far side's line set and
// confirmed, and carried to a pseudo-terminal of its own, whose slave the serial component then
// opens like any device. So every read, write, wait and event of the component works on it
// unchanged, and a lost connection looks to it like a pulled adapter.
#include <QByteArray>
#include <QString>
#include <memory>

class NetRelay;

class NetLine {
 public:
  static constexpr int SettingsLimitMs = 3000;   // the server echoes every setting within this
  // A raw server that refuses closes within a few round trips of accepting; so long velt waits
  // before it takes the port, within these bounds.
  static constexpr int RefusalRoundTrips = 4;
  static constexpr int RefusalGraceMinMs = 30;
  static constexpr int RefusalGraceMaxMs = 1000;
  static inline constexpr char BusyText[] = "port sieciowy zajęty albo odmówił połączenia";

  // Null with *problem (Polish, without the port's name) when the port cannot be had.
  static std::unique_ptr<NetLine> Open(const QByteArray& name, QString* problem);
  ~NetLine();  // ends the connection

  // The pseudo-terminal to open in the port's place.
  QByteArray DevicePath() const { return path_; }

 private:
  NetLine() = default;
  QByteArray path_;
  int slave_ = -1;  // held open, so that the master never sees the line hung up before it is used
  std::unique_ptr<NetRelay> relay_;
};
