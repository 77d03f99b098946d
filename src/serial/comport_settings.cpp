#include "comport_settings.h"

#include "comport.h"

// ---- TComTimeouts

TComTimeouts::TComTimeouts(const TComTimeouts& other)
    : port_(nullptr),
      readInterval_(other.readInterval_),
      readTotalMultiplier_(other.readTotalMultiplier_),
      readTotalConstant_(other.readTotalConstant_),
      writeTotalMultiplier_(other.writeTotalMultiplier_),
      writeTotalConstant_(other.writeTotalConstant_) {}

TComTimeouts& TComTimeouts::operator=(const TComTimeouts& other) {
  readInterval_ = other.readInterval_;
  readTotalMultiplier_ = other.readTotalMultiplier_;
  readTotalConstant_ = other.readTotalConstant_;
  writeTotalMultiplier_ = other.writeTotalMultiplier_;
  writeTotalConstant_ = other.writeTotalConstant_;
  if (port_) port_->ApplyTimeoutSettings();
  return *this;
}

void TComTimeouts::Set(int& field, int value) {
  if (field == value) return;
  field = value;
  if (port_) port_->ApplyTimeoutSettings();
}

void TComTimeouts::SetReadInterval(int value) { Set(readInterval_, value); }
void TComTimeouts::SetReadTotalMultiplier(int value) { Set(readTotalMultiplier_, value); }
void TComTimeouts::SetReadTotalConstant(int value) { Set(readTotalConstant_, value); }
void TComTimeouts::SetWriteTotalMultiplier(int value) { Set(writeTotalMultiplier_, value); }
void TComTimeouts::SetWriteTotalConstant(int value) { Set(writeTotalConstant_, value); }

namespace {
constexpr quint32 MaxDword = 0xFFFFFFFF;

// multiplier x count + constant in milliseconds, the values taken as unsigned 32-bit (-1 is
// MAXDWORD); kept far below the overflow of a deadline on the monotonic clock.
qint64 TotalMs(int multiplier, int constant, int count) {
  const quint64 total = quint64(quint32(multiplier)) * quint64(qMax(count, 0)) + quint32(constant);
  return qint64(qMin<quint64>(total, quint64(1) << 40));
}
}  // namespace

qint64 TComTimeouts::WriteTimeout(int count) const {
  return TotalMs(writeTotalMultiplier_, writeTotalConstant_, count);  // 0: no limit
}

TReadWaitRule TComTimeouts::ReadWaitRule(int count) const {
  const quint32 interval = quint32(readInterval_);
  const quint32 multiplier = quint32(readTotalMultiplier_);
  const quint32 constant = quint32(readTotalConstant_);
  TReadWaitRule rule;
  if (interval == MaxDword && multiplier == 0 && constant == 0) return rule;
  rule.waits = true;
  if (interval == MaxDword) {
    rule.endsOnWaitingBytes = true;
    rule.endsOnFirstArrival = multiplier == MaxDword;
    rule.totalMs = rule.endsOnFirstArrival ? qint64(constant)
                                           : TotalMs(readTotalMultiplier_, readTotalConstant_, count);
    return rule;
  }
  if (multiplier != 0 || constant != 0) {
    rule.totalMs = TotalMs(readTotalMultiplier_, readTotalConstant_, count);
  }
  rule.intervalMs = interval;
  return rule;
}

// ---- TComFlowControl

TComFlowControl::TComFlowControl(const TComFlowControl& other) : TComFlowControl(nullptr) {
  *this = other;
}

TComFlowControl& TComFlowControl::operator=(const TComFlowControl& other) {
  outCTSFlow_ = other.outCTSFlow_;
  outDSRFlow_ = other.outDSRFlow_;
  controlDTR_ = other.controlDTR_;
  controlRTS_ = other.controlRTS_;
  xonXoffOut_ = other.xonXoffOut_;
  xonXoffIn_ = other.xonXoffIn_;
  dsrSensitivity_ = other.dsrSensitivity_;
  txContinueOnXoff_ = other.txContinueOnXoff_;
  xonChar_ = other.xonChar_;
  xoffChar_ = other.xoffChar_;
  Apply();
  return *this;
}

void TComFlowControl::Apply() {
  if (port_) port_->ApplyLineSettings();
}

template <typename T>
void TComFlowControl::Set(T& field, T value) {
  if (field == value) return;
  field = value;
  Apply();
}

void TComFlowControl::SetOutCTSFlow(bool value) { Set(outCTSFlow_, value); }
void TComFlowControl::SetOutDSRFlow(bool value) { Set(outDSRFlow_, value); }
void TComFlowControl::SetControlDTR(TDTRFlowControl value) { Set(controlDTR_, value); }
void TComFlowControl::SetControlRTS(TRTSFlowControl value) { Set(controlRTS_, value); }
void TComFlowControl::SetXonXoffOut(bool value) { Set(xonXoffOut_, value); }
void TComFlowControl::SetXonXoffIn(bool value) { Set(xonXoffIn_, value); }
void TComFlowControl::SetDSRSensitivity(bool value) { Set(dsrSensitivity_, value); }
void TComFlowControl::SetTxContinueOnXoff(bool value) { Set(txContinueOnXoff_, value); }
void TComFlowControl::SetXonChar(char value) { Set(xonChar_, value); }
void TComFlowControl::SetXoffChar(char value) { Set(xoffChar_, value); }

TFlowControl TComFlowControl::FlowControl() const {
  if (controlRTS_ == rtsHandshake && outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_) return fcHardware;
  if (controlRTS_ == rtsDisable && !outCTSFlow_ && xonXoffIn_ && xonXoffOut_) return fcSoftware;
  if (controlRTS_ == rtsDisable && !outCTSFlow_ && !xonXoffIn_ && !xonXoffOut_) return fcNone;
  return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value) {
  if (value != fcCustom) {
    controlRTS_ = rtsDisable;
    outCTSFlow_ = false;
    xonXoffIn_ = false;
    xonXoffOut_ = false;
    if (value == fcHardware) {
      controlRTS_ = rtsHandshake;
      outCTSFlow_ = true;
    } else if (value == fcSoftware) {
      xonXoffIn_ = true;
      xonXoffOut_ = true;
    }
  }
  Apply();
}

// ---- TComParity

TComParity::TComParity(const TComParity& other)
    : port_(nullptr), bits_(other.bits_), check_(other.check_), replace_(other.replace_),
      replaceChar_(other.replaceChar_) {}

TComParity& TComParity::operator=(const TComParity& other) {
  bits_ = other.bits_;
  check_ = other.check_;
  replace_ = other.replace_;
  replaceChar_ = other.replaceChar_;
  if (port_) port_->ApplyLineSettings();
  return *this;
}

template <typename T>
void TComParity::Set(T& field, T value) {
  if (field == value) return;
  field = value;
  if (port_) port_->ApplyLineSettings();
}

void TComParity::SetBits(TParityBits value) { Set(bits_, value); }
void TComParity::SetCheck(bool value) { Set(check_, value); }
void TComParity::SetReplace(bool value) { Set(replace_, value); }
void TComParity::SetReplaceChar(char value) { Set(replaceChar_, value); }

// ---- TComBuffer

TComBuffer::TComBuffer(const TComBuffer& other)
    : port_(nullptr), inputSize_(other.inputSize_), outputSize_(other.outputSize_) {}

TComBuffer& TComBuffer::operator=(const TComBuffer& other) {
  inputSize_ = other.inputSize_;
  outputSize_ = other.outputSize_;
  if (port_) port_->ApplyBufferSizes();
  return *this;
}

void TComBuffer::Set(int& field, int value) {
  if (field == value) return;
  field = (value > 0 && value % 2 != 0) ? value - 1 : value;
  if (port_) port_->ApplyBufferSizes();
}

void TComBuffer::SetInputSize(int value) { Set(inputSize_, value); }
void TComBuffer::SetOutputSize(int value) { Set(outputSize_, value); }
