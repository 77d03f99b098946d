#pragma once
// TCustomComPort / TComPort: one serial port over Linux termios, with its settings, its event
// thread that announces line events, and byte-string reads and writes.
#include "comport_error.h"
#include "comport_settings.h"
#include "comport_types.h"
#include "input_buffer.h"
#include "line_wait.h"
#include "write_queue.h"

#include <QByteArray>
#include <QObject>
#include <QThread>
#include <functional>
#include <memory>
#include <optional>

class TComThread;
class NetLine;

// The rest of a read that waits for more bytes. Not nested in TPortTransfer: an optional member
// of a nested type with member initializers is not default-constructible for every compiler.
struct TPendingRead {
  char* buffer = nullptr;
  int size = 0;
  qint64 totalDeadlineNs = 0;  // on the monotonic clock; 0: none
  qint64 intervalNs = 0;       // 0: none
  qint64 lastArrivalNs = 0;
  bool endsOnFirstArrival = false;
  quint64 cancelGeneration = 0;
};

// One read or write, from BeginTransfer to EndTransfer.
// A read takes what is waiting when it starts; when the read time-outs want more, it waits for
// it in WaitForTransfer (its buffer must live until then).
// A write hands the driver what it takes at once, unless earlier writes still wait. The rest is
// queued behind them and goes out as the line takes it, driven by the event thread, until the
// write's own time-out from its start. A port without events starts a thread for its first
// write that has to wait, which drives writes only and reports nothing. A write that is never
// waited for still goes out.
struct TPortTransfer {
  enum TDirection : qint8 { dirNone = -1, dirWrite = 0, dirRead = 1 };
  TDirection Direction = dirNone;
  int Done = 0;                            // bytes moved so far
  std::optional<TPendingRead> Read;        // a read that waits for more bytes
  std::shared_ptr<TWriteJob> QueuedWrite;  // a write the driver did not take whole
};

class TCustomComPort : public QObject {
  Q_OBJECT
 public:
  explicit TCustomComPort(QObject* owner = nullptr);
  ~TCustomComPort() override;  // closes the port

  void OpenPort();
  void ClosePort();

  // Settings. While the port is open a change is applied at once; while closed it is only stored.
  bool Connected() const { return connected_; }
  void SetConnected(bool value);
  QByteArray Port() const { return port_; }
  // A device path, e.g. "/dev/ttyUSB0", or a network port, rfc2217://HOST:PORT or
  // tcp://HOST:PORT; reopens if open.
  void SetPort(const QByteArray& name);
  TBaudRate BaudRate() const { return baudRate_; }
  void SetBaudRate(TBaudRate value);
  int CustomBaudRate() const { return customBaudRate_; }
  void SetCustomBaudRate(int value);
  TStopBits StopBits() const { return stopBits_; }
  void SetStopBits(TStopBits value);
  TDataBits DataBits() const { return dataBits_; }
  void SetDataBits(TDataBits value);
  bool DiscardNull() const { return discardNull_; }
  void SetDiscardNull(bool value);  // stored only: Linux drivers cannot drop zero bytes
  char EventChar() const { return eventChar_; }
  void SetEventChar(char value);    // stored only: see evRxFlag below
  TComEvents Events() const { return events_; }
  void SetEvents(TComEvents value);  // takes effect at the next open
  TComBuffer& Buffer() { return buffer_; }
  const TComBuffer& Buffer() const { return buffer_; }
  void SetBuffer(const TComBuffer& value) { buffer_ = value; }
  TComParity& Parity() { return parity_; }
  const TComParity& Parity() const { return parity_; }
  void SetParity(const TComParity& value) { parity_ = value; }
  TComTimeouts& Timeouts() { return timeouts_; }
  const TComTimeouts& Timeouts() const { return timeouts_; }
  void SetTimeouts(const TComTimeouts& value) { timeouts_ = value; }
  TComFlowControl& FlowControl() { return flowControl_; }
  const TComFlowControl& FlowControl() const { return flowControl_; }
  void SetFlowControl(const TComFlowControl& value) { flowControl_ = value; }
  TSyncMethod SyncMethod() const { return syncMethod_; }
  void SetSyncMethod(TSyncMethod value);  // error 14 while open
  TStoredProps StoredProps() const { return storedProps_; }
  void SetStoredProps(TStoredProps value) { storedProps_ = value; }
  bool TriggersOnRxChar() const { return triggersOnRxChar_; }
  void SetTriggersOnRxChar(bool value);  // error 22 while a link consumes received data
  QThread::Priority EventThreadPriority() const { return eventThreadPriority_; }
  void SetEventThreadPriority(QThread::Priority value) { eventThreadPriority_ = value; }
  bool HasRxBufLink() const { return hasRxBufLink_; }
  int CodePage() const { return codePage_; }
  void SetCodePage(int value) { codePage_ = value; }
  int PortHandle() const { return fd_; }  // the file descriptor, -1 when closed

  // Lines and status. A device without modem lines (a pseudo-terminal) has none to drive or read.
  void SetDTRLine(bool on);
  void SetRTSLine(bool on);
  int PendingInputCount();
  int PendingOutputCount();  // 0 where the device cannot tell
  // How long one character takes on the line at the current settings: start, data, parity and
  // stop bits at the speed set.
  qint64 CharacterTimeNs() const;
  TLineSignals ReadSignals();
  TComErrors ReadLineErrors();  // line errors since the last call

  // Transfers.
  void BeginTransfer(TPortTransfer*& transfer);
  void EndTransfer(TPortTransfer*& transfer);
  int StartWrite(const void* buffer, int count, TPortTransfer* transfer);
  int StartWriteText(const QByteArray& text, TPortTransfer* transfer);
  int StartRead(void* buffer, int count, TPortTransfer* transfer);
  int StartReadText(QByteArray& text, int count, TPortTransfer* transfer);
  int WaitForTransfer(TPortTransfer* transfer);
  // Ends queued writes and waiting reads (they return what they moved); on a closed port it
  // reports error 5 with EBADF.
  void CancelTransfers();
  static unsigned TransferErrorCode(const TPortTransfer* transfer);
  int WriteText(const QByteArray& text);              // bytes written within the write time-out
  int ReadText(QByteArray& text, int count);          // at once, up to count waiting bytes
  int ReadBytes(void* buffer, int count);

  // The single error exit: OnException when assigned (and the caller goes on), else EComPort.
  void ReportError(quint16 code, qint64 osError);

  // Receives the exceptions that escape handlers run on the port's own thread (smThreadSync,
  // smWindowSync), the hang-up report included; without one they go to the Qt warning log.
  // Each thread sets its own, for the ports it owns.
  static void SetApplicationExceptionHandler(std::function<void(const std::exception&)> handler);

  // Events as Linux gives them:
  // - evRxChar when data arrives; evError and evBreak with it, from the driver's error counters
  //   (serial drivers keep them, pseudo-terminals do not); evRx80Full when the waiting input
  //   reaches 80 % of Buffer().InputSize() as data arrives;
  // - evTxEmpty after each write that finished (the bytes are with the driver), and only while
  //   OnTxEmpty is assigned;
  // - never evCTS, evDSR, evRLSD, evRing: Linux reports line changes only to a TIOCMIWAIT call,
  //   which blocks beyond the reach of the stop request; the current states are read at open;
  // - never evRxFlag: the driver does not report a particular character, and looking for it
  //   would mean reading bytes that belong to the OnRxChar handler.
  // Delivery: smThreadSync runs each batch on the thread that owns the port, also inside
  // processEvents(WaitForMoreEvents), and delivers nothing more until the batch has run;
  // smWindowSync posts one message per event to that thread; smNone runs the handlers on the
  // event thread. OnAfterOpen and the line states at open come before the thread starts.
  // Except under smNone, received data is watched by the owner thread's event loop, which
  // takes each arrival in from the driver as it comes; reads and the input count include those
  // bytes, so they belong to the owner thread.
  // An exception that escapes a handler goes to the application exception handler (or, on
  // the event thread under smNone, where that handler cannot run, to the warning log, and is
  // dropped); later events still come.
  // A vanished device (adapter pulled, pseudo-terminal peer closed) ends the thread with a last
  // delivery that reports ReportError(21, EIO): with no OnException, EComPort "WaitForEvent
  // method failed (Error: 5)" goes the way of a handler's exception. The port stays Connected
  // until its owner closes it; reads, writes and line calls then fail with EIO.
  std::function<void(TCustomComPort* sender)> OnAfterOpen, OnAfterClose, OnBeforeOpen, OnBeforeClose;
  std::function<void(TCustomComPort* sender, int count)> OnRxChar;
  std::function<void(TCustomComPort* sender, const char* buffer, int count)> OnRxBuf;
  std::function<void(TCustomComPort* sender)> OnTxEmpty, OnBreak, OnRing;
  std::function<void(TCustomComPort* sender, bool onOff)> OnCTSChange, OnDSRChange, OnRLSDChange;
  std::function<void(TCustomComPort* sender)> OnRxFlag;
  std::function<void(TCustomComPort* sender, TComErrors errors)> OnError;
  std::function<void(TCustomComPort* sender)> OnRx80Full;
  std::function<void(TCustomComPort* sender, unsigned code, const QString& comMessage,
                     qint64 osError, const QString& osMessage)> OnException;
  // Asked with the device just opened, before anything about it changes (lock, exclusive flag,
  // line settings): a non-empty answer refuses it, closed untouched, and OpenPort returns with
  // the port closed. Refusal() keeps the answer until the next open. A network port that cannot
  // be reached or set up is refused the same way, with the reason.
  std::function<QString(int fd)> OnCheckDevice;
  QString Refusal() const { return refusal_; }

 protected:
  virtual void CreatePortHandle();
  virtual void ReleasePortHandle();
  virtual void ConfigurePort();

  virtual void NotifyAfterClose();
  virtual void NotifyAfterOpen();
  virtual void NotifyBeforeClose();
  virtual void NotifyBeforeOpen();
  virtual void NotifyRxChar(int count);
  virtual void NotifyRxBuf(const char* buffer, int count);
  virtual void NotifyTxEmpty();
  virtual void NotifyBreak();
  virtual void NotifyRing();
  virtual void NotifyRxFlag();
  virtual void NotifyCTSChange(bool onOff);
  virtual void NotifyDSRChange(bool onOff);
  virtual void NotifyError(TComErrors errors);
  virtual void NotifyRLSDChange(bool onOff);
  virtual void NotifyRx80Full();
  virtual void ApplyLineSettings();
  virtual void ApplyTimeoutSettings();
  virtual void ApplyBufferSizes();

  // Run by the event thread's delivery, one per event of a batch.
  void HandleRxChar();
  void HandleTxEmpty();
  void HandleRxFlag();
  void HandleBreak();
  void HandleRing();
  void HandleCTSChange();
  void HandleDSRChange();
  void HandleRLSDChange();
  void HandleError();
  void HandleRx80Full();

  bool event(QEvent* e) override;

 private:
  friend class TComThread;
  friend class TComTimeouts;
  friend class TComFlowControl;
  friend class TComParity;
  friend class TComBuffer;

  void AfterOpen();
  void BeforeClose();
  int CreateEventThread(TComEvents events);  // not started yet; the errno of a failure
  void StopEventThread();
  void WatchQueuedWrites();
  void HandleEvent(TComEvent event);
  void HandleEventMessage(std::optional<TComEvent> event, quint64 openGeneration);
  void InputArrived();
  // A handler of a delivered batch, and the reports of the line's failures; what escapes them
  // is passed on.
  void RunHandler(TComEvent event);
  void ReportDeviceGone();
  void PassOnError(quint16 code, qint64 osError);
  template <typename Run> void PassOnExceptions(Run run);
  void NotifyWritten();
  template <typename T> void SetLineSetting(T& field, T value);
  int LineSpeed() const;
  int ContinueRead(TPortTransfer* transfer);
  void FinishWrite(TPortTransfer* transfer);

  std::shared_ptr<TComThread> thread_;  // a running batch holds it too (see event())
  bool threadCreated_ = false;
  bool closing_ = false;  // ClosePort runs: handlers it delivers may call it again
  int fd_ = -1;
  std::unique_ptr<NetLine> netLine_;  // a network port's connection, carried to fd_
  QString refusal_;
  QByteArray savedLine_;  // the termios the device had at open, given back at close
  bool triggersOnRxChar_ = true;
  QThread::Priority eventThreadPriority_ = QThread::NormalPriority;
  bool hasRxBufLink_ = false;
  bool connected_ = false;
  TBaudRate baudRate_ = br9600;
  int customBaudRate_ = 9600;
  QByteArray port_ = "COM1";
  TStopBits stopBits_ = sbOneStopBit;
  TDataBits dataBits_ = dbEight;
  bool discardNull_ = false;
  char eventChar_ = 0;
  TComEvents events_ = TComEvents::All();
  TComBuffer buffer_{this};
  TComParity parity_{this};
  TComTimeouts timeouts_{this};
  TComFlowControl flowControl_{this};
  TSyncMethod syncMethod_ = smThreadSync;
  TStoredProps storedProps_ = spBasic;
  int codePage_ = 0;

  quint64 openGeneration_ = 0;   // tells queued deliveries of an earlier open from current ones
  TWriteQueue writes_;  // writes the driver did not take whole, in order
  TLineWaits waits_;    // transfers waiting for the line, for CancelTransfers to end
  TInputBuffer input_;  // received bytes taken in by the owner thread's watch
  struct LineErrorCounters;
  std::unique_ptr<LineErrorCounters> errorCounters_;  // counters at the last ReadLineErrors
};

// The published component: the same port, as the window holds it.
class TComPort : public TCustomComPort {
  Q_OBJECT
 public:
  using TCustomComPort::TCustomComPort;
};
