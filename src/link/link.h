#pragma once
// The link to the controller: request frames out, replies in, one request at a time.
//
// Waits keep the window responsive: they process events (received bytes, timer ticks, clicks)
// and sleep in the event loop between them. The 100 ms timer belongs to the owner, which calls
// CountdownStep() first on every tick.
//
// A receive batch runs to its end before the port delivers the next one, and the dispatch of a
// reply processes pending events first. So nothing that waits for a reply may start while a
// batch runs (Receiving()), or while another request waits (LinkBusy): IsIdle() tells when it
// may, and LinkIdle() tells the client when the link has become idle.
#include <QByteArray>
#include <QtGlobal>

#include "reply_assembler.h"

class QTimer;
class TCustomComPort;

// What the link needs of the front end that owns it.
class LinkClient {
 public:
  virtual void ShowLoggedOut() = 0;
  virtual void ShowFirmwareVersion(quint8 version) = 0;
  virtual void ShowStatusReply(const QByteArray& payload) = 0;
  virtual void ApplyConfigReply(quint8 command, const QByteArray& payload) = 0;
  // A request went unanswered three times (never said for the status poll).
  virtual void ReportNoReply() = 0;
  // No request waits and no receive batch runs any more.
  virtual void LinkIdle() {}

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

  // The link ended (logout, lost line, port closed): every wait returns false at once, without
  // resending and without a message.
  void EndWaits();
  // Changes each time the link ends: a wait of its own (the bootloader's) compares it.
  quint64 Epoch() const { return waitEpoch_; }
  bool Receiving() const { return receiveDepth_ > 0; }
  bool IsIdle() const { return !LinkBusy && !Receiving(); }

  // Link state, main thread only.
  QByteArray LastSentFrame;
  quint8 LastRxCommand = 0;
  QByteArray LastRxPayload;
  quint16 ReplyCountdown = 0;
  bool LinkBusy = false;
  quint8 PollTicks = 0;
  char LastRxChar = NoRxChar;
  // On the monotonic clock (MonotonicNs). When the last byte of the last frame written is on
  // the wire: not before the frame's own time on the line from when its write began, nor
  // before the driver has sent what it held.
  qint64 LastFrameOnWireNs = 0;
  qint64 LastRxCharNs = 0;  // when LastRxChar was set

 private:
  void WriteRequest(quint8 command, const QByteArray& payload);
  void WriteFrame(const QByteArray& frame);
  void Released();  // a wait or a batch ended

  TCustomComPort& Port;
  QTimer& Timer;
  LinkClient& Client;
  ReplyAssembler Assembler;
  int receiveDepth_ = 0;
  quint64 waitEpoch_ = 0;
};
