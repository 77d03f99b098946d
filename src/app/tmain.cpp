#include "tmain.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <cerrno>

#include "application.h"
#include "colours.h"
#include "commands.h"
#include "convert_error.h"
#include "finfo.h"
#include "form_jakie_com.h"
#include "register_status_bar.h"
#include "tfboot.h"
#include "version.h"
#include "window_status_bar.h"
#include "waits.h"
#include "message_box.h"
#include "net_address.h"
#include "serial_check.h"
#include "system_error.h"

namespace {
constexpr int TimerIntervalMs = 100;
constexpr quint8 PollEveryTicks = 10;  // status poll once a second

// Why the system refused the port, in plain words, and what a user can do about it.
QString OpenFailureText(const QString& port, int osError) {
  switch (osError) {
    case ENOENT:
      return QStringLiteral("Nie ma portu %1: adapter mógł zostać odłączony.").arg(port);
    case ENXIO:
    case ENODEV:
    case EIO:
      return QStringLiteral("Port %1 nie odpowiada: adapter mógł zostać odłączony.").arg(port);
    case EACCES:
    case EPERM:
      return QStringLiteral("Brak uprawnień do portu %1: dodaj użytkownika do grupy dialout "
                            "(sudo usermod -aG dialout $USER) i zaloguj się ponownie.").arg(port);
    case EBUSY:
      return QStringLiteral("Port %1 jest używany przez inny program: zamknij go i spróbuj ponownie.").arg(port);
    default:
      return QStringLiteral("Nie można otworzyć portu %1: %2.").arg(port, SystemErrorText(osError));
  }
}
}  // namespace

TMain::TMain(QWidget* parent, DiscoveryRoots roots)
    : QMainWindow(parent),
      link(ComPort, Timer, *this),
      Status(ui),
      ConfigHistory([this] { return EntryFacts{ComPort.Port(), Status.FirmwareCaption(), PasswordBytes()}; },
                    [this](const QString& warning) { statusBar()->showMessage(warning); },
                    HistoryKeeper(Keeper,
                                  [this](const QString& uuid, const EntryLabel& label) {
                                    if (Register) Register->Kept(uuid, label, ConfigHistory.Installation());
                                  })),
      PortRoots(std::move(roots)) {
  ui.setupUi(this);
  setWindowTitle(ProgramTitle());
  FormCreate();
  // Centred on the desktop, at the size of its contents.
  adjustSize();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());
}

namespace {
// The window whose handlers the application and the port component hold.
TMain* handlerOwner = nullptr;
}  // namespace

TMain::~TMain() {
  Timer.stop();
  ComPort.OnRxChar = nullptr;
  // Another window may have installed its own since; those stay.
  if (handlerOwner != this) return;
  handlerOwner = nullptr;
  TCustomComPort::SetApplicationExceptionHandler(nullptr);
  if (auto* app = dynamic_cast<TApplication*>(QCoreApplication::instance()))
    app->SetExceptionHandler(nullptr);
}

void TMain::FormCreate() {
  handlerOwner = this;
  if (auto* app = dynamic_cast<TApplication*>(QCoreApplication::instance())) {
    app->SetExceptionHandler(
        [this](QObject* sender, const std::exception& error) { HandleException(sender, error); });
  }
  TCustomComPort::SetApplicationExceptionHandler(
      [this](const std::exception& error) { HandleException(&ComPort, error); });
  ComPort.SetBaudRate(br1200);
  ComPort.OnCheckDevice = NotSerialPort;
  ComPort.OnRxChar = [this](TCustomComPort* sender, int count) { link.VaCommRxChar(sender, count); };

  Timer.setInterval(TimerIntervalMs);
  connect(&Timer, &QTimer::timeout, this, Guarded(&TMain::TimerTimer));
  Timer.start();

  // Configuration fields in the colours of a record in step, in normal input mode.
  using Group = std::initializer_list<QWidget*>;
  for (QWidget* w : Group{ui.Edit_IN1N, ui.Edit_IN2N, ui.Edit_IN3N, ui.Edit_IN4N, ui.Edit_IN5N,
                             ui.Edit_Out1wyl, ui.Edit_Out2wyl, ui.Edit_Out3wyl})
    SetBackground(w, Colours::PaleGreen);
  for (QWidget* w : Group{ui.Edit_IN1A, ui.Edit_IN2A, ui.Edit_IN3A, ui.Edit_IN4A, ui.Edit_IN5A,
                             ui.Edit_Out1zal, ui.Edit_Out2zal, ui.Edit_Out3zal})
    SetBackground(w, Colours::PaleOrange);
  for (QWidget* w : Group{ui.Edit_Tel1, ui.Edit_Tel2, ui.Edit_Tel3, ui.Edit_Tel4, ui.Combo_operator,
                             ui.Edit_operator, ui.Edit_pin, ui.Edit_LimitSMS, ui.Edit_LimitVoice})
    SetBackground(w, Colours::PaleYellow);

  Controls = std::make_unique<ConfigControls>(ui);
  Binding = std::make_unique<ConfigBinding>(ui, *Controls);
  Editing = new FieldEditing(ui, *Controls, *Binding,
                             [this](const std::exception& error) { HandleException(this, error); });
  connect(ui.Icon_get, &QToolButton::clicked, this, Operated(&TMain::DownloadConfig));
  connect(ui.Pobierz1, &QAction::triggered, this, Operated(&TMain::DownloadConfig));
  connect(ui.Icon_put, &QToolButton::clicked, this, Operated(&TMain::UploadConfig));
  connect(ui.Zapisz1, &QAction::triggered, this, Operated(&TMain::UploadConfig));

  connect(ui.Button_zmiana_hasla, &QPushButton::clicked, this, Operated(&TMain::Button_zmiana_haslaClick));
  connect(ui.ButtonFirmware, &QPushButton::clicked, this, Operated(&TMain::ButtonFirmwareClick));
  connect(ui.ButtonRestart, &QPushButton::clicked, this, Operated(&TMain::ButtonRestartClick));
  connect(ui.ButtonResetlimit, &QPushButton::clicked, this, Operated(&TMain::ButtonResetlimitClick));
  connect(ui.SpeedButton1, &QToolButton::clicked, this, Guarded(&TMain::SaveConfigFile));
  connect(ui.Zapis1, &QAction::triggered, this, Guarded(&TMain::SaveConfigFile));
  connect(ui.SpeedButton2, &QToolButton::clicked, this, Guarded(&TMain::LoadConfigFile));
  connect(ui.Odczyt1, &QAction::triggered, this, Guarded(&TMain::LoadConfigFile));
  connect(ui.HistoriaKonfiguracji1, &QAction::triggered, this, Guarded(&TMain::HistoriaKonfiguracji1Click));
  connect(ui.PokazZmiany1, &QAction::triggered, this, Guarded(&TMain::PokazZmiany1Click));
  connect(ui.Raport1, &QAction::triggered, this, Guarded(&TMain::Raport1Click));
  connect(ui.Instalacje1, &QAction::triggered, this, Guarded(&TMain::Instalacje1Click));
  setStatusBar(new WindowStatusBar(this));
  Register = new WindowRegister(Keeper, this);
  RegisterBar = new RegisterStatusBar(statusBar(), Guarded(&TMain::AcceptOffer));
  connect(Register, &WindowRegister::Changed, this, Guarded(&TMain::ShowRegisterState));
  connect(Register, &WindowRegister::Notice, this, [this](const QString& notice) { statusBar()->showMessage(notice); });
  if (Register->Shared()) ShowRegisterState();
  ChooseOpenFile = [this](const QString& filter) { return AskFileToOpen(this, filter); };
  ChooseSaveFile = [this](const QString& filter, const QString& suffix) {
    return AskFileToSave(this, filter, suffix);
  };
  ChooseReportFile = [this](const QString& suggested) {
    return AskFileToSave(this, QStringLiteral("Dokument PDF (*.pdf)"), QStringLiteral("pdf"), suggested);
  };

  connect(ui.Button_polacz, &QPushButton::clicked, this, Guarded(&TMain::Button_polaczClick));
  // Enter in the password field connects, as POŁĄCZ does while it can be pressed.
  connect(ui.Edit_haslo, &QLineEdit::returnPressed, this, [this] {
    if (ui.Button_polacz->isEnabled()) ui.Button_polacz->click();
  });
  // F10 opens the first menu, as on the desktop's other windows; Alt and Alt+letter work already.
  connect(new QShortcut(Qt::Key_F10, this), &QShortcut::activated, this,
          [this] { ui.MainMenu1->setActiveAction(ui.Plik1->menuAction()); });
  connect(ui.Button_rozlacz, &QPushButton::clicked, this, Guarded(&TMain::Button_rozlaczClick));
  connect(ui.Oprogramie1, &QAction::triggered, this, Guarded(&TMain::Oprogramie1Click));
  connect(ui.WykresGSM1, &QAction::triggered, this, Guarded(&TMain::WykresGSM1Click));
  connect(ui.BarRSSI, &ProgressGauge::DoubleClicked, this, Guarded(&TMain::WykresGSM1Click));
  connect(ui.ButtonCom, &QPushButton::clicked, this, Guarded(&TMain::ButtonComClick));
  connect(ui.ComCombo, &QComboBox::activated, this, Guarded(&TMain::ComComboChange));

  FormJakieCOM = new TFormJakieCOM(this);
  FormJakieCOM->OnRefresh = Guarded(&TMain::ButtonComClick);
  FormJakieCOM->OnAddNetworkPort = [this](const QString& name, const QByteArray& url) { return AddNetworkPort(name, url); };
  FormJakieCOM->OnRemoveNetworkPort = [this](const QString& name) { return RemoveNetworkPort(name); };

  ui.Button_polacz->setEnabled(false);
  RefreshPortList();
}

void TMain::HandleException(QObject*, const std::exception& error) {
  if (const auto* port = dynamic_cast<const EComPort*>(&error); port && port->DeviceGone()) {
    LinkLost(port->Message());
    return;
  }
  ui.Button_polacz->setEnabled(true);
  QString text = QString::fromUtf8(error.what());
  // The component's own text stays, below the plain words.
  if (const auto* port = dynamic_cast<const EComPort*>(&error); port && port->ComError == CError_OpenFailed)
    text = OpenFailureText(QString::fromLocal8Bit(ComPort.Port()), port->OsError) + u'\n' + text;
  ErrorBox(text);
  if (dynamic_cast<const EConvertError*>(&error)) {
    QApplication::beep();
    ErrorBox(QStringLiteral("Port COM niedostępny"));
  }
}

void TMain::ReportNoReply() {
  QApplication::beep();
  // Behind a network port the silence may be the server's: the port is named.
  const QString note = NetAddressText::IsNetworkName(ComPort.Port())
                           ? QStringLiteral(" (port sieciowy %1)").arg(QString::fromLocal8Bit(ComPort.Port()))
                           : QString();
  ErrorBox(QString::fromUtf8(Link::NoReplyText) + note);
}

void TMain::closeEvent(QCloseEvent* event) {
  // An update is never cut off between two frames: it stops after its block, then the window
  // closes.
  if (FirmwareDialog && FirmwareDialog->Transferring()) {
    CloseAfterFirmware = FirmwareDialog->AskToStop();
    event->ignore();
    return;
  }
  // Closing runs once; a second close request during the delayed close is the same close.
  if (!Closing) {
    Closing = true;
    Guarded(&TMain::FormClose)();
  }
  event->accept();
}

void TMain::TimerTimer() {
  link.CountdownStep();
  if (++link.PollTicks < PollEveryTicks) return;
  // A poll cannot wait for its reply inside a receive batch: it goes out on the next tick.
  if (link.Receiving()) {
    link.PollTicks = PollEveryTicks - 1;
    return;
  }
  link.PollTicks = 0;
  if (LoggedIn && !link.LinkBusy && Status.StatusDisplayOn && !pendingOperation_)
    link.SendFrameAndWait(Cmd::Status, QByteArrayLiteral("G"), Waits::ShortTicks);
}

void TMain::Oprogramie1Click() {
  TFInfo info(this);
  info.exec();
}

// ---- one operation at a time

void TMain::RunOperation(Operation operation) {
  if (operationRunning_ || (pendingOperation_ && pendingOperation_ != operation)) {
    QApplication::beep();  // another operation has the link
    return;
  }
  if (!link.IsIdle()) {
    pendingOperation_ = operation;
    return;
  }
  pendingOperation_ = nullptr;
  OperationScope scope(*this);
  (this->*operation)();
}

void TMain::LinkIdle() {
  if (!pendingOperation_ || pendingScheduled_) return;
  pendingScheduled_ = true;
  QTimer::singleShot(0, this, Guarded(&TMain::RunPendingOperation));
}

void TMain::RunPendingOperation() {
  pendingScheduled_ = false;
  // Still busy: the wait or batch that holds the link says so again when it ends.
  if (!pendingOperation_ || !link.IsIdle()) return;
  RunOperation(pendingOperation_);
}

OperationScope::OperationScope(TMain& window) : window_(window) {
  window_.operationRunning_ = true;
  window_.UpdateOperationControls();
}

OperationScope::~OperationScope() {
  window_.operationRunning_ = false;
  window_.UpdateOperationControls();
}

// The buttons of operations on the controller are usable only while no operation runs.
void TMain::UpdateOperationControls() {
  const bool free = !operationRunning_;
  for (QWidget* w : {ui.Button_zmiana_hasla, ui.ButtonRestart, ui.ButtonResetlimit})
    w->setEnabled(LoggedIn && free);
  ui.Pobierz1->setEnabled(LoggedIn && free);
  ui.Zapisz1->setEnabled(LoggedIn && free);
  ui.ButtonFirmware->setEnabled(Online && free);
}

// ---- replies

void TMain::ShowFirmwareVersion(quint8 version) { Status.ShowFirmwareVersion(version); }

void TMain::ShowStatusReply(const QByteArray& payload) {
  Status.ShowStatusReply(payload);
  History.Record(payload);
  // A late status reply does not give the transfer buttons back during an operation.
  if (operationRunning_) {
    ui.Icon_get->setEnabled(false);
    ui.Icon_put->setEnabled(false);
  }
}

void TMain::ApplyConfigReply(quint8 command, const QByteArray& payload) {
  // An item's last reply says whether it could be read.
  unreadItems_.set(size_t(Cmd::ItemOfCommand(command)), !Binding->ApplyConfigReply(command, payload));
}
