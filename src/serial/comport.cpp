#include "comport.h"

#include "comthread.h"
#include "net_address.h"
#include "net_line.h"
#include "termios_line.h"

#include <QScopeGuard>
#include <QtDebug>
#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

struct TCustomComPort::LineErrorCounters : TermiosLine::Counters {};

namespace {
// One for each thread: a port's reports go to the handler of the thread that owns the port, so
// that ports owned by different threads never report to each other's owners.
std::function<void(const std::exception&)>& ApplicationExceptionHandler() {
  static thread_local std::function<void(const std::exception&)> handler;
  return handler;
}

QString SystemErrorText(int error) {
  char buffer[256];
  return QString::fromLocal8Bit(::strerror_r(error, buffer, sizeof buffer));
}

// The last holder of an event thread lets go. On the thread itself (a handler there closed the
// port) it cannot wait for its own end, so the thread deletes itself at its end.
void ReleaseEventThread(TComThread* thread) {
  if (thread->IsCurrent()) {
    thread->DeleteWhenEnded();
  } else {
    delete thread;  // stops it and waits for its end
  }
}
}  // namespace

TCustomComPort::TCustomComPort(QObject* owner)
    : QObject(owner), errorCounters_(std::make_unique<LineErrorCounters>()) {}

TCustomComPort::~TCustomComPort() {
  try {
    ClosePort();
  } catch (const std::exception& e) {
    qWarning("Closing the serial port failed: %s", e.what());
  }
}

void TCustomComPort::SetApplicationExceptionHandler(
    std::function<void(const std::exception&)> handler) {
  ApplicationExceptionHandler() = std::move(handler);
}

// ---- errors

void TCustomComPort::ReportError(quint16 code, qint64 osError) {
  const QString message = ComErrorMessage(code);
  if (OnException) {
    const QString osMessage = osError > 0 ? SystemErrorText(int(osError)) : QString();
    OnException(this, code, message, osError, osMessage);
    return;
  }
  if (osError > 0) {
    throw EComPort(code, int(osError), message + QString::asprintf(" (Error: %d)", int(osError)));
  }
  throw EComPort(code, -1, message);
}

// ---- open and close

void TCustomComPort::OpenPort() {
  if (connected_) return;
  refusal_.clear();
  NotifyBeforeOpen();
  CreatePortHandle();
  if (fd_ < 0) return;  // refused, or reported and an OnException handler let it pass
  connected_ = true;
  try {
    ConfigurePort();
  } catch (...) {
    ReleasePortHandle();
    connected_ = false;
    throw;
  }
  // Bytes left from before the open belong to an earlier session (a device that another
  // holder keeps open, a pseudo-terminal's peer, keeps them across our close).
  ::tcflush(fd_, TCIFLUSH);
  ++openGeneration_;
  *errorCounters_ = {};
  TermiosLine::ReadCounters(fd_, *errorCounters_);  // errors before the open are not ours
  threadCreated_ = false;
  if (!events_.IsEmpty()) {
    if (const int err = CreateEventThread(events_)) {
      ReleasePortHandle();
      connected_ = false;
      ReportError(CError_OpenFailed, err);
      return;
    }
  }
  // The open is announced before the thread runs, so that under smNone no handler runs beside
  // these; its watch is set up already, so nothing that arrives meanwhile is missed. The thread
  // starts also when a handler here throws (the port is open), but not after one closed it.
  const auto startThread = qScopeGuard([this, thread = thread_.get()] {
    if (thread && thread_.get() == thread) thread->Start();
  });
  AfterOpen();
}

void TCustomComPort::ClosePort() {
  // A handler run by this close (a batch that was waiting) may ask again.
  if (!connected_ || closing_) return;
  {
    closing_ = true;
    const auto closed = qScopeGuard([this] { closing_ = false; });
    BeforeClose();
    CancelTransfers();
    if (threadCreated_) {
      threadCreated_ = false;
      StopEventThread();
    }
    ReleasePortHandle();
    connected_ = false;
  }
  NotifyAfterClose();
}

int TCustomComPort::CreateEventThread(TComEvents events) {
  thread_ = std::shared_ptr<TComThread>(new TComThread(this, events), &ReleaseEventThread);
  const int err = thread_->StartError();
  if (err) {
    thread_.reset();
  } else {
    threadCreated_ = true;  // before the thread runs: a handler on it may close the port
  }
  return err;
}

void TCustomComPort::StopEventThread() {
  const std::shared_ptr<TComThread> thread = thread_;
  thread->StopEventThread();
  // A handler on the event thread (smNone) that closes the port cannot wait for its own
  // thread; the thread ends when the handler returns.
  if (!thread->IsCurrent()) thread->WaitForEnd();
  thread_.reset();  // only now: until the thread has ended, its handlers may look at it
  ::tcflush(fd_, TCIOFLUSH);  // the driver's queues are emptied as the thread ends
  input_.Clear();             // and so are the bytes taken in ahead of them
}

void TCustomComPort::CreatePortHandle() {
  QByteArray path = port_;
  if (NetAddressText::IsNetworkName(port_)) {
    // Connected (and for RFC 2217 set up) here; the line it is carried on opens like a device.
    // What stands in the way is a refusal, told in the user's words.
    netLine_ = NetLine::Open(port_, &refusal_);
    if (!netLine_) return;
    path = netLine_->DevicePath();
  }
  fd_ = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd_ < 0) {
    const int err = errno;
    netLine_.reset();
    ReportError(CError_OpenFailed, err);
    return;
  }
  if (OnCheckDevice) refusal_ = OnCheckDevice(fd_);
  if (!refusal_.isEmpty()) {
    ::close(fd_);
    fd_ = -1;
    netLine_.reset();
    return;
  }
  // No sharing: the lock keeps out every other opener (root included), the exclusive flag
  // keeps out other users' plain opens. The lock comes first, so that a refused opener never
  // touches the flag of the one that holds the port.
  int err = 0;
  if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
    err = errno == EWOULDBLOCK ? EBUSY : errno;
  } else if (::ioctl(fd_, TIOCEXCL) != 0 && !TermiosLine::NotSupported(errno)) {
    err = errno;
  }
  if (err) {
    ::close(fd_);
    fd_ = -1;
    netLine_.reset();
    ReportError(CError_OpenFailed, err);
    return;
  }
  // What a device is not (no terminal) shows when the line is set up; nothing to give back then.
  TermiosLine::Save(fd_, savedLine_);
}

void TCustomComPort::ReleasePortHandle() {
  if (fd_ < 0) return;
  // The line is given back as it was found. A vanished device refuses (EIO) at once.
  if (!savedLine_.isEmpty()) TermiosLine::Restore(fd_, savedLine_);
  savedLine_.clear();
  // A pseudo-terminal keeps the exclusive flag after the last close; clear it first.
  ::ioctl(fd_, TIOCNXCL);
  ::flock(fd_, LOCK_UN);
  ::close(fd_);
  fd_ = -1;
  netLine_.reset();  // a network port's connection ends with its line
}

void TCustomComPort::ConfigurePort() {
  ApplyBufferSizes();
  ApplyLineSettings();
  ApplyTimeoutSettings();
}

void TCustomComPort::AfterOpen() {
  NotifyAfterOpen();
  HandleCTSChange();
  HandleDSRChange();
  HandleRLSDChange();
}

void TCustomComPort::BeforeClose() {
  NotifyCTSChange(false);
  NotifyDSRChange(false);
  NotifyRLSDChange(false);
  NotifyBeforeClose();
}

// ---- applying the settings

void TCustomComPort::ApplyLineSettings() {
  if (!connected_) return;
  TermiosLine::Settings s;
  s.speed = LineSpeed();
  s.dataBits = 5 + int(dataBits_);
  s.parity = parity_.Bits();
  s.parityCheck = parity_.Check();
  s.twoStopBits = stopBits_ != sbOneStopBit;  // Linux has no 1.5 stop bits; 2 is the nearest
  s.rtsCts = flowControl_.OutCTSFlow() || flowControl_.ControlRTS() == rtsHandshake;
  s.xonXoffOut = flowControl_.XonXoffOut();
  s.xonXoffIn = flowControl_.XonXoffIn();
  s.xonChar = flowControl_.XonChar();
  s.xoffChar = flowControl_.XoffChar();
  // Every line-setting change sets DTR and RTS again from their control settings.
  s.dtr = flowControl_.ControlDTR() != dtrDisable;
  s.rts = flowControl_.ControlRTS() == rtsEnable || flowControl_.ControlRTS() == rtsHandshake;
  const int err = s.speed > 0 ? TermiosLine::Apply(fd_, s) : EINVAL;
  if (err) ReportError(CError_SetStateFailed, err);
}

void TCustomComPort::ApplyTimeoutSettings() {
  // The driver only ever returns at once (raw mode, VMIN = VTIME = 0, non-blocking); each read
  // and write takes its time-outs from the current values when it starts and waits in poll.
}

void TCustomComPort::ApplyBufferSizes() {
  // Linux tty drivers have fixed queues; InputSize only sets the evRx80Full level at open.
}

int TCustomComPort::LineSpeed() const {
  return baudRate_ == brCustom ? customBaudRate_ : BaudRateValue(baudRate_);
}

// ---- property writes

template <typename T>
void TCustomComPort::SetLineSetting(T& field, T value) {
  if (field == value) return;
  field = value;
  ApplyLineSettings();
}

void TCustomComPort::SetBaudRate(TBaudRate value) { SetLineSetting(baudRate_, value); }
void TCustomComPort::SetCustomBaudRate(int value) { SetLineSetting(customBaudRate_, value); }
void TCustomComPort::SetStopBits(TStopBits value) { SetLineSetting(stopBits_, value); }
void TCustomComPort::SetDataBits(TDataBits value) { SetLineSetting(dataBits_, value); }
void TCustomComPort::SetDiscardNull(bool value) { SetLineSetting(discardNull_, value); }
void TCustomComPort::SetEventChar(char value) { SetLineSetting(eventChar_, value); }
void TCustomComPort::SetEvents(TComEvents value) { events_ = value; }

void TCustomComPort::SetConnected(bool value) {
  if (value == connected_) return;
  if (value) {
    OpenPort();
  } else {
    ClosePort();
  }
}

void TCustomComPort::SetPort(const QByteArray& name) {
  if (name == port_) return;
  port_ = name;
  if (connected_) {
    ClosePort();
    OpenPort();
  }
}

void TCustomComPort::SetSyncMethod(TSyncMethod value) {
  if (value == syncMethod_) return;
  if (connected_) {
    ReportError(CError_ConnChangeProp, 0);
    return;
  }
  syncMethod_ = value;
}

void TCustomComPort::SetTriggersOnRxChar(bool value) {
  if (hasRxBufLink_) ReportError(CError_HasLink, 0);
  triggersOnRxChar_ = value;
}

// ---- lines and status

void TCustomComPort::SetDTRLine(bool on) {
  if (const int err = TermiosLine::SetModemLine(fd_, TIOCM_DTR, on)) {
    ReportError(CError_EscapeComFailed, err);
  }
}

void TCustomComPort::SetRTSLine(bool on) {
  if (const int err = TermiosLine::SetModemLine(fd_, TIOCM_RTS, on)) {
    ReportError(CError_EscapeComFailed, err);
  }
}

int TCustomComPort::PendingInputCount() {
  int count = 0;
  if (const int err = TermiosLine::InputCount(fd_, count)) {
    ReportError(CError_ClearComFailed, err);
    return 0;
  }
  return input_.Size() + count;
}

int TCustomComPort::PendingOutputCount() {
  int count = 0;
  if (const int err = TermiosLine::OutputCount(fd_, count)) {
    if (!TermiosLine::NotSupported(err)) ReportError(CError_ClearComFailed, err);
    return 0;
  }
  return count;
}

qint64 TCustomComPort::CharacterTimeNs() const {
  const int speed = LineSpeed();
  if (speed <= 0) return 0;
  const int bits = 1 + 5 + int(dataBits_) + (parity_.Bits() == prNone ? 0 : 1) + (stopBits_ == sbOneStopBit ? 1 : 2);
  return qint64(bits) * 1'000'000'000 / speed;
}

TLineSignals TCustomComPort::ReadSignals() {
  int lines = 0;
  if (const int err = TermiosLine::ReadModemLines(fd_, lines)) {
    ReportError(CError_ModemStatFailed, err);
    return {};
  }
  TLineSignals found;
  if (lines & TIOCM_CTS) found.Include(sigCTS);
  if (lines & TIOCM_DSR) found.Include(sigDSR);
  if (lines & TIOCM_RNG) found.Include(sigRing);
  if (lines & TIOCM_CAR) found.Include(sigRLSD);
  return found;
}

TComErrors TCustomComPort::ReadLineErrors() {
  TermiosLine::Counters now;
  if (const int err = TermiosLine::ReadCounters(fd_, now)) {
    if (!TermiosLine::NotSupported(err)) ReportError(CError_ClearComFailed, err);
    return {};  // a device without counters reports no line errors
  }
  const TermiosLine::Counters& last = *errorCounters_;
  TComErrors errors;
  if (now.frame != last.frame) errors.Include(errFrame);
  if (now.parity != last.parity && parity_.Check()) errors.Include(errRxParity);
  if (now.overrun != last.overrun) errors.Include(errOverrun);
  if (now.bufOverrun != last.bufOverrun) errors.Include(errRxOver);
  if (now.brk != last.brk) errors.Include(errBreak);
  static_cast<TermiosLine::Counters&>(*errorCounters_) = now;
  return errors;
}

// ---- notifications

void TCustomComPort::NotifyAfterClose() { if (OnAfterClose) OnAfterClose(this); }
void TCustomComPort::NotifyAfterOpen() { if (OnAfterOpen) OnAfterOpen(this); }
void TCustomComPort::NotifyBeforeClose() { if (OnBeforeClose) OnBeforeClose(this); }
void TCustomComPort::NotifyBeforeOpen() { if (OnBeforeOpen) OnBeforeOpen(this); }
void TCustomComPort::NotifyRxChar(int count) { if (OnRxChar) OnRxChar(this, count); }
void TCustomComPort::NotifyRxBuf(const char* buffer, int count) {
  if (OnRxBuf) OnRxBuf(this, buffer, count);
}
void TCustomComPort::NotifyTxEmpty() { if (OnTxEmpty) OnTxEmpty(this); }
void TCustomComPort::NotifyBreak() { if (OnBreak) OnBreak(this); }
void TCustomComPort::NotifyRing() { if (OnRing) OnRing(this); }
void TCustomComPort::NotifyRxFlag() { if (OnRxFlag) OnRxFlag(this); }
void TCustomComPort::NotifyCTSChange(bool onOff) { if (OnCTSChange) OnCTSChange(this, onOff); }
void TCustomComPort::NotifyDSRChange(bool onOff) { if (OnDSRChange) OnDSRChange(this, onOff); }
void TCustomComPort::NotifyError(TComErrors errors) { if (OnError) OnError(this, errors); }
void TCustomComPort::NotifyRLSDChange(bool onOff) { if (OnRLSDChange) OnRLSDChange(this, onOff); }
void TCustomComPort::NotifyRx80Full() { if (OnRx80Full) OnRx80Full(this); }

// ---- event handlers

void TCustomComPort::HandleRxChar() {
  // The count is taken now, so it covers every byte that arrived and was not read yet; a batch
  // run as its bytes were taken in has them all in hand.
  int count = input_.HoldsAllWaiting() ? input_.Size() : PendingInputCount();
  if (count > 0 && !triggersOnRxChar_) {
    QByteArray buffer(count, Qt::Uninitialized);
    const int read = ReadBytes(buffer.data(), count);
    if (read > 0) NotifyRxBuf(buffer.constData(), read);
    count = 0;
  }
  if (count > 0) NotifyRxChar(count);
}

void TCustomComPort::HandleTxEmpty() { NotifyTxEmpty(); }
void TCustomComPort::HandleRxFlag() { NotifyRxFlag(); }
void TCustomComPort::HandleBreak() { NotifyBreak(); }
void TCustomComPort::HandleRing() { NotifyRing(); }
void TCustomComPort::HandleCTSChange() { NotifyCTSChange(ReadSignals().Contains(sigCTS)); }
void TCustomComPort::HandleDSRChange() { NotifyDSRChange(ReadSignals().Contains(sigDSR)); }
void TCustomComPort::HandleRLSDChange() { NotifyRLSDChange(ReadSignals().Contains(sigRLSD)); }
void TCustomComPort::HandleRx80Full() { NotifyRx80Full(); }

void TCustomComPort::HandleError() {
  const TComErrors errors = ReadLineErrors();
  if (!errors.IsEmpty()) NotifyError(errors);
}

void TCustomComPort::HandleEvent(TComEvent event) {
  switch (event) {
    case evRxChar: HandleRxChar(); break;
    case evTxEmpty: HandleTxEmpty(); break;
    case evRxFlag: HandleRxFlag(); break;
    case evRing: HandleRing(); break;
    case evBreak: HandleBreak(); break;
    case evCTS: HandleCTSChange(); break;
    case evDSR: HandleDSRChange(); break;
    case evError: HandleError(); break;
    case evRLSD: HandleRLSDChange(); break;
    case evRx80Full: HandleRx80Full(); break;
  }
}

void TCustomComPort::HandleEventMessage(std::optional<TComEvent> event, quint64 openGeneration) {
  if (!connected_ || openGeneration != openGeneration_) return;  // from an earlier open
  if (!event) {
    ReportDeviceGone();
    return;
  }
  if (thread_) thread_->MessageTaken(*event);
  RunHandler(*event);
}

template <typename Run>
void TCustomComPort::PassOnExceptions(Run run) {
  // The application's handler belongs to the port's own thread; on the event thread (smNone)
  // an exception has nowhere to go but the log.
  const auto passOn = [this](const std::exception& e) {
    const auto& handler = ApplicationExceptionHandler();
    if (QThread::currentThread() == thread() && handler) {
      handler(e);
    } else {
      qWarning("Serial port event handler failed: %s", e.what());
    }
  };
  try {
    run();
  } catch (const std::exception& e) {
    passOn(e);
  } catch (...) {
    passOn(std::runtime_error("unknown exception"));
  }
}

void TCustomComPort::RunHandler(TComEvent event) {
  PassOnExceptions([this, event] { HandleEvent(event); });
}

void TCustomComPort::ReportDeviceGone() { PassOnError(CError_WaitForEventFailed, EIO); }

void TCustomComPort::PassOnError(quint16 code, qint64 osError) {
  PassOnExceptions([=, this] { ReportError(code, osError); });
}

void TCustomComPort::InputArrived() {
  // Held here, as for a batch: a handler closing the port must not delete the thread under it.
  if (const std::shared_ptr<TComThread> thread = thread_) thread->Arrived();
}

void TCustomComPort::NotifyWritten() {
  // The empty output is reported after each finished write, and only to a listener: waking
  // the event thread and the UI thread once more per frame would cost more than the frame.
  if (thread_ && OnTxEmpty) thread_->NotifyWritten();
}

bool TCustomComPort::event(QEvent* e) {
  TComThread::TakePosted();
  if (e->type() == TComThread::BatchEventType()) {
    // Held here, so that a handler closing the port does not delete the thread under the batch.
    if (const std::shared_ptr<TComThread> thread = thread_) thread->RunPendingBatch();
    return true;
  }
  if (e->type() == TComThread::EventMessageType()) {
    const auto* message = static_cast<TComThread::EventMessage*>(e);
    HandleEventMessage(message->event, message->generation);
    return true;
  }
  return QObject::event(e);
}
