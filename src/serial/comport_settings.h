#pragma once
// The four settings groups of a port. Each belongs to its port and re-applies its group to the
// port whenever one of its values changes; a copy made from one is detached (it only stores).
#include "comport_types.h"

class TCustomComPort;

// How a read waits, by the Win32 meaning of the read time-outs.
struct TReadWaitRule {
  bool waits = false;               // false: the read returns at once with what is waiting
  bool endsOnWaitingBytes = false;  // bytes waiting when it starts end it at once
  bool endsOnFirstArrival = false;  // else the first bytes that arrive end it
  qint64 totalMs = -1;              // limit from the start; -1: none
  qint64 intervalMs = 0;            // limit between arrivals once bytes have come; 0: none
};

class TComTimeouts {
 public:
  explicit TComTimeouts(TCustomComPort* port = nullptr) : port_(port) {}
  TComTimeouts(const TComTimeouts& other);        // detached copy of the values
  TComTimeouts& operator=(const TComTimeouts& other);  // copies the values, then applies them

  int ReadInterval() const { return readInterval_; }
  int ReadTotalMultiplier() const { return readTotalMultiplier_; }
  int ReadTotalConstant() const { return readTotalConstant_; }
  int WriteTotalMultiplier() const { return writeTotalMultiplier_; }
  int WriteTotalConstant() const { return writeTotalConstant_; }
  void SetReadInterval(int value);
  void SetReadTotalMultiplier(int value);
  void SetReadTotalConstant(int value);
  void SetWriteTotalMultiplier(int value);
  void SetWriteTotalConstant(int value);

  // Milliseconds a write of `count` bytes may take; 0 when the write has no time limit.
  qint64 WriteTimeout(int count) const;
  // How a read of `count` bytes waits. The values are unsigned, -1 being MAXDWORD: interval
  // MAXDWORD with both totals 0 returns at once; interval and multiplier MAXDWORD return what is
  // waiting, else the first bytes to arrive within the constant; interval MAXDWORD with other
  // totals returns what is waiting, else waits for the count within the total. Otherwise the
  // read waits for the count, within the total (multiplier x count + constant, 0: none) and,
  // once bytes have come, the interval between them (0: none).
  TReadWaitRule ReadWaitRule(int count) const;

 private:
  void Set(int& field, int value);
  TCustomComPort* port_;
  int readInterval_ = -1;
  int readTotalMultiplier_ = 0;
  int readTotalConstant_ = 0;
  int writeTotalMultiplier_ = 100;
  int writeTotalConstant_ = 1000;
};

// On Linux: OutCTSFlow or rtsHandshake give RTS/CTS handshake (both ways); XonXoffOut and
// XonXoffIn give IXON and IXOFF with XonChar and XoffChar. dtrEnable and dtrHandshake raise DTR,
// rtsEnable and rtsHandshake raise RTS, at every line-setting change. OutDSRFlow,
// DSRSensitivity, TxContinueOnXoff and rtsToggle have no termios counterpart and are stored only.
class TComFlowControl {
 public:
  explicit TComFlowControl(TCustomComPort* port = nullptr) : port_(port) {}
  TComFlowControl(const TComFlowControl& other);
  TComFlowControl& operator=(const TComFlowControl& other);

  bool OutCTSFlow() const { return outCTSFlow_; }
  bool OutDSRFlow() const { return outDSRFlow_; }
  TDTRFlowControl ControlDTR() const { return controlDTR_; }
  TRTSFlowControl ControlRTS() const { return controlRTS_; }
  bool XonXoffOut() const { return xonXoffOut_; }
  bool XonXoffIn() const { return xonXoffIn_; }
  bool DSRSensitivity() const { return dsrSensitivity_; }
  bool TxContinueOnXoff() const { return txContinueOnXoff_; }
  char XonChar() const { return xonChar_; }
  char XoffChar() const { return xoffChar_; }
  void SetOutCTSFlow(bool value);
  void SetOutDSRFlow(bool value);
  void SetControlDTR(TDTRFlowControl value);
  void SetControlRTS(TRTSFlowControl value);
  void SetXonXoffOut(bool value);
  void SetXonXoffIn(bool value);
  void SetDSRSensitivity(bool value);
  void SetTxContinueOnXoff(bool value);
  void SetXonChar(char value);
  void SetXoffChar(char value);

  // Summary of RTS control, CTS flow and both XON/XOFF flags.
  TFlowControl FlowControl() const;
  void SetFlowControl(TFlowControl value);

 private:
  template <typename T> void Set(T& field, T value);
  void Apply();
  TCustomComPort* port_;
  bool outCTSFlow_ = false;
  bool outDSRFlow_ = false;
  TDTRFlowControl controlDTR_ = dtrDisable;
  TRTSFlowControl controlRTS_ = rtsDisable;
  bool xonXoffOut_ = false;
  bool xonXoffIn_ = false;
  bool dsrSensitivity_ = false;
  bool txContinueOnXoff_ = false;
  char xonChar_ = 17;
  char xoffChar_ = 19;
};

// Check enables the parity check on receipt (a byte with a parity error reads as 0); Replace and
// ReplaceChar have no termios counterpart and are stored only.
class TComParity {
 public:
  explicit TComParity(TCustomComPort* port = nullptr) : port_(port) {}
  TComParity(const TComParity& other);
  TComParity& operator=(const TComParity& other);

  TParityBits Bits() const { return bits_; }
  bool Check() const { return check_; }
  bool Replace() const { return replace_; }
  char ReplaceChar() const { return replaceChar_; }
  void SetBits(TParityBits value);
  void SetCheck(bool value);
  void SetReplace(bool value);
  void SetReplaceChar(char value);

 private:
  template <typename T> void Set(T& field, T value);
  TCustomComPort* port_;
  TParityBits bits_ = prNone;
  bool check_ = false;
  bool replace_ = false;
  char replaceChar_ = 0;
};

// Linux drivers have fixed queues: the sizes are stored; InputSize sets the evRx80Full level
// from the next open.
class TComBuffer {
 public:
  explicit TComBuffer(TCustomComPort* port = nullptr) : port_(port) {}
  TComBuffer(const TComBuffer& other);
  TComBuffer& operator=(const TComBuffer& other);

  int InputSize() const { return inputSize_; }
  int OutputSize() const { return outputSize_; }
  void SetInputSize(int value);   // a positive odd size is stored one less
  void SetOutputSize(int value);

 private:
  void Set(int& field, int value);
  TCustomComPort* port_;
  int inputSize_ = 1024;
  int outputSize_ = 1024;
};
