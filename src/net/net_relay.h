#pragma once
// The thread that carries bytes between a network port's connection and the pseudo-terminal the
// serial component opens in its place: data both ways, IAC escaped and unescaped on an RFC 2217
// connection, the server's later option requests answered. It waits in poll with an eventfd to
// stop it, never with a time-out. A full side holds the other back, so a write's time-out on the
// port sees a stalled server. A connection that ends closes the pseudo-terminal's master: the
// port then reports its device gone, as it does for a pulled adapter.
#include <QByteArray>
#include <memory>
#include <thread>

class ComPortOption;

class NetRelay {
 public:
  // Takes the connected socket, the master and the telnet state (none on a raw connection);
  // `early` is data that came before the relay started.
  NetRelay(int socket, int master, std::unique_ptr<ComPortOption> telnet, QByteArray early);
  ~NetRelay();  // stops the thread, hands the server what is still queued, closes both
  int StartError() const { return startError_; }

 private:
  void Run();
  bool FromSocket();  // false: the connection has ended
  bool ToSocket();
  void FromLine();
  void ToLine();

  const int socket_;
  int master_;
  int wake_ = -1;
  int startError_ = 0;
  std::unique_ptr<ComPortOption> telnet_;
  QByteArray toLine_;
  QByteArray toSocket_;
  std::thread thread_;
};
