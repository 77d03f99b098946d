#pragma once
// The client side of the Telnet COM-port option on a connection: velt asks for binary both ways
// and the COM-port option, sets the far side's line (speed, data bits, parity, stop bits, flow
// control), and accepts the port once the server has echoed each setting with the value asked.
// It answers the server's own option requests for as long as the connection lasts. Pure: bytes
// in, bytes out.
#include <QByteArray>
#include <QList>
#include <QString>
#include <set>

#include "telnet_codec.h"

class ComPortOption {
 public:
  // The COM-port commands velt sends (a server replies with the command + 100).
  enum Request : quint8 { SetBaudRate = 1, SetDataSize = 2, SetParity = 3, SetStopSize = 4, SetControl = 5 };
  static constexpr quint8 ServerOffset = 100;
  struct Setting {
    quint8 command;
    QByteArray value;
  };
  // 1200 bit/s, 8 data bits, no parity, 1 stop bit, no flow control: the controller's line.
  static QList<Setting> ControllerLine();

  enum State { Negotiating, Accepted, Refused };

  explicit ComPortOption(QList<Setting> line = ControllerLine());
  // What opens the conversation: the option requests, then the settings.
  QByteArray Greeting();
  // What the server sent: its data goes to `data` (IAC unescaped), what velt answers to `reply`.
  void Feed(QByteArrayView bytes, QByteArray& data, QByteArray& reply);
  State state() const { return state_; }
  QString Problem() const { return problem_; }  // Polish, once Refused

 private:
  void Handle(const Telnet::Event& event, QByteArray& reply);
  void HandleServerSetting(quint8 command, const QByteArray& value);
  void Refuse(const QString& why);

  QList<Setting> line_;
  QList<bool> confirmed_;
  Telnet::Decoder decoder_;
  std::set<quint8> ours_;    // options velt has said it will do
  std::set<quint8> theirs_;  // options velt has asked the server to do
  std::set<quint8> refusedOurs_;    // asked of velt and declined once
  std::set<quint8> refusedTheirs_;  // offered by the server and declined once
  State state_ = Negotiating;
  QString problem_;
};
