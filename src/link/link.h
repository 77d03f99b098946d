#pragma once
// The link to the controller: request frames out, replies in, one request at a time.
//
// Waits keep the window responsive: they process events (received bytes, timer ticks, clicks)
// and sleep in the event loop between them. The 100 ms timer belongs to the owner, which calls
// CountdownStep() first on every tick.
#include <QByteArray>
#include <QtGlobal>

#include "reply_assembler.h"

class QTimer;
class TCustomComPort;

// What the link needs of the window that owns it.
class LinkClient {
 public:
  virtual void ShowLoggedOut() = 0;
  virtual void ShowFirmwareVersion(quint8 version) = 0;
  virtual void ShowStatusReply(const QByteArray& payload) = 0;
  virtual void ApplyConfigReply(quint8 command, const QByteArray& payload) = 0;

 protected:
  ~LinkClient() = default;
};

class Link {
 public:
  static constexpr char NoRxChar = '.';
  static constexpr const char* NoReplyText = "Brak odpowiedzi z nadajnika VELT";

  Link(TCustomComPort& port, QTimer& timer, LinkClient& client);

  void SendFrame(quint8 command, const QByteArray& payload);
  bool SendFrameAndWait(quint8 command, const QByteArray& payload, quint16 ticks);
  bool WaitForReply(quint16 ticks, quint8 command);

  void VaCommRxChar(TCustomComPort* sender, int count);  // the port's OnRxChar
  void AssembleReceived(const QByteArray& received);      // each good reply is dispatched
  void CountdownStep();                                   // first step of every timer tick
  void DispatchReply(quint8 command, const QByteArray& payload);

  // Link state, main thread only.
  QByteArray LastSentFrame;
  quint8 LastRxCommand = 0;
  QByteArray LastRxPayload;
  quint16 ReplyCountdown = 0;
  bool LinkBusy = false;
  quint8 PollTicks = 0;
  char LastRxChar = NoRxChar;

 private:
  void WriteRequest(quint8 command, const QByteArray& payload);

  TCustomComPort& Port;
  QTimer& Timer;
  LinkClient& Client;
  ReplyAssembler Assembler;
};
