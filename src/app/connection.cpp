// The connection controller: connect and log in, log out and disconnect, the three states the
// window shows, and a line that vanishes under it.
#include <QFile>
#include <QThread>

#include "commands.h"
#include "colours.h"
#include "message_box.h"
#include "net_address.h"
#include "serial_check.h"
#include "tfwykres.h"
#include "tmain.h"
#include "waits.h"

namespace {
constexpr int CloseDelaySteps = 10;    // the port closes about one second after a logout
constexpr int CloseDelayStepMs = 100;
const QByteArray LoginAccepted("T");
}  // namespace

void TMain::SetStateText(QLineEdit* field, const QString& text, bool good) {
  field->setText(text);
  SetBackground(field, good ? Colours::Lime : Colours::Red);
}

void TMain::SetOnline(bool online) {
  Online = online;
  if (SignalChart) SignalChart->ShowConnection(online);
}

// A window that is closing lets go of the port; it opens nothing more.
void TMain::Button_polaczClick() {
  if (!Closing) RunOperation(&TMain::LogIn);
}

void TMain::LogIn() {
  if (ui.ComCombo->currentIndex() >= 0 && !ComPort.Connected()) {
    if (RefuseNotSerialPort(NotSerialPortBeforeOpen(ComPort.Port()))) return;
    ComPort.OpenPort();  // refuses what is no serial port before setting anything up
    if (RefuseNotSerialPort(ComPort.Refusal())) return;
  }
  if (!ComPort.Connected()) return;
  // The port is this connection's now: a delayed close still pending from a logout leaves it.
  ++connectionsBegun_;
  if (!Online) {
    // A new connection, on a port just opened or taken over from that close, starts a chart
    // and a history of its own.
    History.Clear();
    ConfigHistory.NewConnection();
  }

  ChosenPort = ComPort.Port();
  // A port that came back after its adapter was pulled is listed as present again.
  if (ChosenPortAbsent()) RefreshPortList();
  Timer.start();
  SetOnline(true);
  SetStateText(ui.Edit_status, QStringLiteral("POŁĄCZONY"), true);
  ui.ComCombo->setEnabled(false);
  ui.Button_rozlacz->setEnabled(true);
  ComPort.SetDTRLine(true);
  ComPort.SetRTSLine(true);

  link.SendFrame(Cmd::Login, ui.Edit_haslo->text().toLatin1());
  if (!link.WaitForReply(Waits::ShortTicks, Cmd::Login)) return;
  if (link.LastRxPayload.startsWith(LoginAccepted)) {
    ShowLoggedIn();
  } else {
    QApplication::beep();
    ErrorBox(QStringLiteral("Błędne hasło"));
    QCoreApplication::processEvents();
  }
}

// The password goes to nothing but a serial port: never to a file, nor to a shell's terminal
// that a stale virtual port's link names now.
bool TMain::RefuseNotSerialPort(const QString& why) {
  if (why.isEmpty()) return false;
  if (ComPort.Connected()) ComPort.ClosePort();
  ErrorBox(QStringLiteral("%1: %2").arg(QString::fromLocal8Bit(ComPort.Port()), why));
  return true;
}

void TMain::ShowLoggedIn() {
  link.PollTicks = 0;
  LoggedIn = true;
  SetStateText(ui.Edit_logon, QStringLiteral("ZALOGOWANY"), true);
  ui.Edit_haslo->setEnabled(false);
  UpdateOperationControls();
  Status.ShowStatusOn();
  ui.Button_polacz->setEnabled(false);
}

void TMain::ShowLoggedOut() {
  // Nothing waits for a controller that is logged out.
  link.EndWaits();
  if (pendingOperation_ != &TMain::Disconnect) pendingOperation_ = nullptr;
  Timer.stop();
  Status.StatusDisplayOn = false;
  SetStateText(ui.Edit_logon, QStringLiteral("WYLOGOWANY"), false);
  LoggedIn = false;
  ui.Edit_haslo->setEnabled(true);
  ui.Button_polacz->setEnabled(true);
  UpdateOperationControls();
  ui.Icon_get->setEnabled(false);
  ui.Icon_put->setEnabled(false);
  ui.Panel_bar->hide();
  Status.ShowStatusOff();
  Status.ResetVersionAndGauge();
  QCoreApplication::processEvents();
}

// ROZŁĄCZ ends whatever waits for the controller at once. The logout itself cannot wait for its
// reply inside a receive batch, so it then runs after the batch.
void TMain::Button_rozlaczClick() {
  link.EndWaits();
  if (link.Receiving()) {
    pendingOperation_ = &TMain::Disconnect;
    return;
  }
  Disconnect();
}

void TMain::Disconnect() {
  ShowDisconnected();
  // The port closes whatever becomes of the logout request.
  QString failure;
  try {
    link.SendFrame(Cmd::Logout, QByteArrayLiteral("W"));
    if (link.WaitForReply(Waits::ShortTicks, Cmd::Logout)) {
      QApplication::beep();
      InformationBox(QStringLiteral("Wylogowano z sterownika VELT"));
    }
  } catch (const EComPort& error) {
    if (error.DeviceGone()) {
      LinkLost(error.Message());
      return;
    }
    failure = error.Message();
  }
  Status.ShowStatusOff();
  ShowLoggedOut();
  ui.BoxAutotest->setEnabled(true);
  ClosePortDelayed();
  if (!failure.isEmpty()) ErrorBox(failure);
}

void TMain::ShowDisconnected() {
  SetOnline(false);
  // The installation was this connection's.
  ConfigHistory.SetInstallation({});
  Register->EndConnection();
  SetStateText(ui.Edit_status, QStringLiteral("ROZŁĄCZONY"), false);
  ui.ComCombo->setEnabled(true);
  ui.Button_rozlacz->setEnabled(false);
  ui.ButtonFirmware->setEnabled(false);
}

// POŁĄCZ stays usable during the wait; a connection begun meanwhile takes the port over, and
// the close never pulls it from under the new connection.
void TMain::ClosePortDelayed() {
  const quint64 began = connectionsBegun_;
  Timer.start();
  for (int i = 0; i < CloseDelaySteps; ++i) {
    QThread::msleep(CloseDelayStepMs);
    QCoreApplication::processEvents();
  }
  if (connectionsBegun_ == began) ClosePortNow();
}

void TMain::ClosePortNow() {
  if (ComPort.Connected()) ComPort.ClosePort();
}

void TMain::FormClose() {
  link.EndWaits();
  ShowLoggedOut();
  Status.ShowStatusOff();
  ClosePortDelayed();
}

// A read, a write or the line itself failed because the device is gone. Whatever waited stops,
// the port closes, and the window returns to the disconnected state, ready for POŁĄCZ once the
// adapter is back; the user is told once.
void TMain::LinkLost(const QString& message) {
  if (losingLink_ || !ComPort.Connected()) return;
  losingLink_ = true;
  const QString port = QString::fromLocal8Bit(ComPort.Port());
  link.EndWaits();
  pendingOperation_ = nullptr;
  ShowLoggedOut();
  ClosePortNow();
  ShowDisconnected();
  RefreshPortList();
  losingLink_ = false;
  QApplication::beep();
  // What happened, in plain words, before the component's own text.
  const QString cause = NetAddressText::IsNetworkName(QFile::encodeName(port))
                            ? QStringLiteral("serwer portów zamknął połączenie albo sieć przestała działać")
                            : QStringLiteral("adapter mógł zostać odłączony");
  ErrorBox(QStringLiteral("Utracono połączenie z portem %1: %2.\n%3\nPort COM niedostępny").arg(port, cause, message));
}
