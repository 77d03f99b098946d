#include "tmain.h"

#include <QCloseEvent>
#include <QThread>

#include "application.h"
#include "colours.h"
#include "commands.h"
#include "convert_error.h"
#include "finfo.h"
#include "form_jakie_com.h"
#include "message_box.h"

namespace {
constexpr quint16 ShortTicks = 10;     // one attempt of a short request: 1 s
constexpr int TimerIntervalMs = 100;
constexpr quint8 PollEveryTicks = 10;  // status poll once a second
const QByteArray LoginAccepted("T");
}  // namespace

TMain::TMain(QWidget* parent, DiscoveryRoots roots)
    : QMainWindow(parent), link(ComPort, Timer, *this), Status(ui), PortRoots(std::move(roots)) {
  ui.setupUi(this);
  FormCreate();
}

TMain::~TMain() {
  Timer.stop();
  ComPort.OnRxChar = nullptr;
  TCustomComPort::SetApplicationExceptionHandler(nullptr);
  if (auto* app = dynamic_cast<TApplication*>(QCoreApplication::instance()))
    app->SetExceptionHandler(nullptr);
}

void TMain::FormCreate() {
  if (auto* app = dynamic_cast<TApplication*>(QCoreApplication::instance())) {
    app->SetExceptionHandler(
        [this](QObject* sender, const std::exception& error) { HandleException(sender, error); });
  }
  TCustomComPort::SetApplicationExceptionHandler(
      [this](const std::exception& error) { HandleException(&ComPort, error); });
  ComPort.SetBaudRate(br1200);
  ComPort.OnRxChar = [this](TCustomComPort* sender, int count) { link.VaCommRxChar(sender, count); };

  Timer.setInterval(TimerIntervalMs);
  connect(&Timer, &QTimer::timeout, this, Guarded(&TMain::TimerTimer));
  Timer.start();

  // Configuration fields in the colours of a record in step, in normal input mode.
  using Controls = std::initializer_list<QWidget*>;
  for (QWidget* w : Controls{ui.Edit_IN1N, ui.Edit_IN2N, ui.Edit_IN3N, ui.Edit_IN4N, ui.Edit_IN5N,
                             ui.Edit_Out1wyl, ui.Edit_Out2wyl, ui.Edit_Out3wyl})
    SetBackground(w, Colours::PaleGreen);
  for (QWidget* w : Controls{ui.Edit_IN1A, ui.Edit_IN2A, ui.Edit_IN3A, ui.Edit_IN4A, ui.Edit_IN5A,
                             ui.Edit_Out1zal, ui.Edit_Out2zal, ui.Edit_Out3zal})
    SetBackground(w, Colours::PaleOrange);
  for (QWidget* w : Controls{ui.Edit_Tel1, ui.Edit_Tel2, ui.Edit_Tel3, ui.Edit_Tel4, ui.Combo_operator,
                             ui.Edit_operator, ui.Edit_pin, ui.Edit_LimitSMS, ui.Edit_LimitVoice})
    SetBackground(w, Colours::PaleYellow);

  connect(ui.Button_polacz, &QPushButton::clicked, this, Guarded(&TMain::Button_polaczClick));
  connect(ui.Button_rozlacz, &QPushButton::clicked, this, Guarded(&TMain::Button_rozlaczClick));
  connect(ui.Oprogramie1, &QAction::triggered, this, Guarded(&TMain::Oprogramie1Click));
  connect(ui.ButtonCom, &QPushButton::clicked, this, Guarded(&TMain::ButtonComClick));
  connect(ui.ComCombo, &QComboBox::activated, this, Guarded(&TMain::ComComboChange));

  FormJakieCOM = new TFormJakieCOM(this);
  FormJakieCOM->OnRefresh = Guarded(&TMain::ButtonComClick);

  ui.Button_polacz->setEnabled(false);
  RefreshPortList();
}

void TMain::HandleException(QObject*, const std::exception& error) {
  ui.Button_polacz->setEnabled(true);
  ErrorBox(QString::fromUtf8(error.what()));
  if (dynamic_cast<const EConvertError*>(&error)) {
    QApplication::beep();
    ErrorBox(QStringLiteral("Port COM niedostępny"));
  }
}

void TMain::SetStateText(QLineEdit* field, const QString& text, bool good) {
  field->setText(text);
  SetBackground(field, good ? Colours::Lime : Colours::Red);
}

void TMain::Button_polaczClick() {
  if (ui.ComCombo->currentIndex() >= 0 && !ComPort.Connected()) ComPort.OpenPort();
  if (!ComPort.Connected()) return;

  Timer.start();
  SetStateText(ui.Edit_status, QStringLiteral("POŁĄCZONY"), true);
  ui.ComCombo->setEnabled(false);
  ui.Button_rozlacz->setEnabled(true);
  ui.ButtonFirmware->setEnabled(true);
  ComPort.SetDTRLine(true);
  ComPort.SetRTSLine(true);

  link.SendFrame(Cmd::Login, ui.Edit_haslo->text().toLatin1());
  if (!link.WaitForReply(ShortTicks, Cmd::Login)) return;
  if (link.LastRxPayload.startsWith(LoginAccepted)) {
    ShowLoggedIn();
  } else {
    QApplication::beep();
    ErrorBox(QStringLiteral("Błędne hasło"));
    QCoreApplication::processEvents();
  }
}

void TMain::ShowLoggedIn() {
  link.PollTicks = 0;
  LoggedIn = true;
  SetStateText(ui.Edit_logon, QStringLiteral("ZALOGOWANY"), true);
  ui.Edit_haslo->setEnabled(false);
  for (QWidget* w : {ui.Button_zmiana_hasla, ui.ButtonRestart, ui.ButtonResetlimit}) w->setEnabled(true);
  ui.Pobierz1->setEnabled(true);
  ui.Zapisz1->setEnabled(true);
  Status.ShowStatusOn();
  ui.Button_polacz->setEnabled(false);
}

void TMain::ShowLoggedOut() {
  Timer.stop();
  Status.StatusDisplayOn = false;
  SetStateText(ui.Edit_logon, QStringLiteral("WYLOGOWANY"), false);
  LoggedIn = false;
  ui.Edit_haslo->setEnabled(true);
  ui.Button_polacz->setEnabled(true);
  for (QWidget* w : std::initializer_list<QWidget*>{ui.Button_zmiana_hasla, ui.ButtonRestart,
                                                   ui.ButtonResetlimit, ui.Icon_get, ui.Icon_put})
    w->setEnabled(false);
  ui.Pobierz1->setEnabled(false);
  ui.Zapisz1->setEnabled(false);
  ui.Panel_bar->hide();
  Status.ShowStatusOff();
  Status.ResetVersionAndGauge();
  QCoreApplication::processEvents();
}

void TMain::Button_rozlaczClick() {
  SetStateText(ui.Edit_status, QStringLiteral("ROZŁĄCZONY"), false);
  ui.ComCombo->setEnabled(true);
  ui.Button_rozlacz->setEnabled(false);
  ui.ButtonFirmware->setEnabled(false);

  link.SendFrame(Cmd::Logout, QByteArrayLiteral("W"));
  if (link.WaitForReply(ShortTicks, Cmd::Logout)) {
    QApplication::beep();
    InformationBox(QStringLiteral("Wylogowano z sterownika VELT"));
  }
  Status.ShowStatusOff();
  ShowLoggedOut();
  ui.BoxAutotest->setEnabled(true);
  ClosePortDelayed();
}

void TMain::ClosePortDelayed() {
  Timer.start();
  for (int i = 0; i < 10; ++i) {
    QThread::msleep(TimerIntervalMs);
    QCoreApplication::processEvents();
  }
  if (ComPort.Connected()) ComPort.ClosePort();
}

void TMain::FormClose() {
  ShowLoggedOut();
  Status.ShowStatusOff();
  ClosePortDelayed();
}

void TMain::closeEvent(QCloseEvent* event) {
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
  link.PollTicks = 0;
  if (LoggedIn && !link.LinkBusy && Status.StatusDisplayOn)
    link.SendFrameAndWait(Cmd::Status, QByteArrayLiteral("G"), ShortTicks);
}

void TMain::Oprogramie1Click() {
  TFInfo info(this);
  info.exec();
}

void TMain::FillPortList(QByteArrayList& target) {
  PortNames.clear();
  DeviceNames.clear();
  for (const DiscoveredPort& port : DiscoverPorts(PortRoots)) {
    PortNames.append(port.name);
    DeviceNames.append(port.description);
  }
  target = PortNames;
}

void TMain::RefreshPortList() {
  ui.Button_polacz->setEnabled(false);
  QByteArrayList names;
  FillPortList(names);
  ui.ComCombo->clear();
  for (const QByteArray& name : names) ui.ComCombo->addItem(QString::fromLocal8Bit(name));
  if (names.isEmpty() || names.first().isEmpty()) {
    ui.ComCombo->setCurrentIndex(-1);
    return;
  }
  ui.ComCombo->setCurrentIndex(0);
  ComPort.SetPort(names.first());
  ui.Button_polacz->setEnabled(true);
}

void TMain::ButtonComClick() {
  FormJakieCOM->show();
  RefreshPortList();
  FormJakieCOM->ShowPorts(PortNames, DeviceNames);
}

void TMain::ComComboChange(int index) {
  if (index < 0) return;
  ui.Button_polacz->setEnabled(true);
  ComPort.SetPort(ui.ComCombo->itemText(index).toLocal8Bit());
}

void TMain::ShowFirmwareVersion(quint8 version) { Status.ShowFirmwareVersion(version); }

void TMain::ShowStatusReply(const QByteArray& payload) { Status.ShowStatusReply(payload); }

void TMain::ApplyConfigReply(quint8, const QByteArray&) {
  // Read replies reach the configuration controls once their binding exists.
}
