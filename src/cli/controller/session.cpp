#include "session.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>
#include <cerrno>
#include <sys/ioctl.h>

#include "cli_error.h"
#include "commands.h"
#include "console.h"
#include "native_name.h"
#include "net_address.h"
#include "serial_check.h"
#include "interrupts.h"
#include "status_decode.h"
#include "waits.h"

namespace {
constexpr int DrainLimitMs = 2000;  // a 69-byte block takes 575 ms at 1200 bit/s
constexpr int DrainStepMs = 10;
constexpr int LingerMs = 1000;
const QString NoReplyText = QString::fromUtf8(Link::NoReplyText);

QString OpenFailure(const QByteArray& path, const EComPort& error) {
  const QString port = NameFromBytes(path);
  switch (error.OsError) {
    case ENOENT:
      return QStringLiteral("nie ma portu %1 (velt-cli ports pokazuje dostępne porty)").arg(port);
    case EBUSY:
      return QStringLiteral("port %1 jest używany przez inny program: zamknij go i spróbuj ponownie").arg(port);
    case EACCES:
      return QStringLiteral("brak uprawnień do portu %1: dodaj użytkownika do grupy dialout "
                            "(sudo usermod -aG dialout $USER) i zaloguj się ponownie").arg(port);
    default:
      return QStringLiteral("nie można otworzyć portu %1: %2").arg(port, error.Message());
  }
}
}  // namespace

Session::Session(Console& console, Interrupts& interrupts)
    : console_(console),
      interrupts_(interrupts),
      link_(port_, timer_, *this),
      history_([this] { return EntryFacts{path_, firmware_, password_}; }, [this](const QString& m) { console_.Warn(m); },
               HistoryKeeper(keeper_, [this](const QString&, const EntryLabel&) { keptInRegister_ = true; })) {
  // What goes wrong on the port's own thread (the device vanishing) arrives here.
  TCustomComPort::SetApplicationExceptionHandler([this](const std::exception& e) { PortFailed(e); });
  port_.SetBaudRate(br1200);
  port_.OnCheckDevice = NotSerialPort;
  port_.OnRxChar = [this](TCustomComPort* sender, int count) { link_.VaCommRxChar(sender, count); };
  timer_.setInterval(Waits::TickMs);
  QObject::connect(&timer_, &QTimer::timeout, [this] { link_.CountdownStep(); });
  interrupts_.OnInterrupt = [this](int count) { Interrupted(count); };
}

Session::~Session() {
  interrupts_.OnInterrupt = nullptr;
  timer_.stop();
  if (port_.Connected()) {
    if (!lost_) LetTheLineEmpty();
    port_.OnRxChar = nullptr;
    try {
      port_.ClosePort();
    } catch (const std::exception&) {
      // A port that vanished cannot be closed more than it is.
    }
  }
  TCustomComPort::SetApplicationExceptionHandler(nullptr);
}

void Session::Open(const QByteArray& path) {
  path_ = path;
  const auto refuse = [&path](const QString& why) {
    throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(NameFromBytes(path), why));
  };
  if (const QString why = NotSerialPortBeforeOpen(path); !why.isEmpty()) refuse(why);
  port_.SetPort(path);
  try {
    port_.OpenPort();
  } catch (const EComPort& error) {
    throw CliError(ExitStatus::Error, OpenFailure(path, error));
  }
  // Checked before the line is set up, long before the password goes out.
  if (!port_.Refusal().isEmpty()) refuse(port_.Refusal());
  try {
    port_.SetDTRLine(true);
    port_.SetRTSLine(true);
  } catch (const EComPort& error) {
    throw CliError(ExitStatus::Error, OpenFailure(path, error));
  }
  timer_.start();
}

void Session::LogIn(const QByteArray& password) {
  link_.SendFrame(Cmd::Login, password);
  if (!link_.WaitForReply(Waits::ShortTicks, Cmd::Login)) ThrowWaitFailure(QString());
  if (!link_.LastRxPayload.startsWith('T')) throw CliError(ExitStatus::WrongPassword, QStringLiteral("Błędne hasło"));
  password_ = password;
  loggedIn_ = true;
}

void Session::LogOut() {
  if (!CanLogOut()) return;
  loggedIn_ = false;
  try {
    link_.SendFrame(Cmd::Logout, QByteArrayLiteral("W"));
    if (link_.WaitForReply(Waits::ShortTicks, Cmd::Logout)) {
      console_.Info(QStringLiteral("Wylogowano ze sterownika VELT"));
      return;
    }
  } catch (const EComPort& error) {
    PortFailed(error);
  }
  // The command's own outcome stands; the logout's failure is only told.
  console_.Warn(lost_      ? lostMessage_
                : noReply_ ? QStringLiteral("%1 (wylogowanie)").arg(NoReplyText)
                           : QStringLiteral("wylogowanie przerwane"));
}

void Session::LetAnswerArrive(quint8 command) {
  // The 100 ms timer wakes the loop at least that often.
  const QDeadlineTimer deadline(Waits::ShortTicks * Waits::TickMs);
  while (link_.LastRxCommand != command && !deadline.hasExpired() && !lost_)
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void Session::ThrowWaitFailure(const QString& context) const {
  const QString where = context.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(context);
  if (lost_) throw CliError(ExitStatus::Error, lostMessage_ + where);
  if (noReply_) throw CliError(ExitStatus::NoReply, NoReplyText + NetworkPortNote() + where);
  if (interrupts_.Count() > 0) throw CliError(ExitStatus::Error, QStringLiteral("przerwano (%1)").arg(interrupts_.Cause()) + where);
  throw CliError(ExitStatus::Error, QStringLiteral("połączenie zakończone") + where);
}

// A silent controller behind a network port may be a server that accepts and passes nothing on:
// the port is named, since the message alone would point at the controller.
QString Session::NetworkPortNote() const {
  return NetAddressText::IsNetworkName(path_) ? QStringLiteral(" (port sieciowy %1)").arg(NameFromBytes(path_)) : QString();
}

void Session::StopIfInterrupted(const QString& context) const {
  if (interrupts_.Count() > 0)
    throw CliError(ExitStatus::Error, QStringLiteral("przerwano (%1) %2").arg(interrupts_.Cause(), context));
}

// The link's last word on a request that went unanswered three times.
void Session::ShowLoggedOut() {
  noReply_ = true;
  // As in the window: nothing waits any more for a controller that is logged out.
  loggedIn_ = false;
  link_.EndWaits();
}

void Session::ShowFirmwareVersion(quint8 version) {
  if (const std::optional<FirmwareVersion> v = DecodeFirmwareVersion(version)) {
    firmware_ = v->Caption;
    allows_ = {v->AutotestAllowed, v->MiniPanelAllowed, v->Caption};
  }
}

void Session::PortFailed(const std::exception& error) {
  if (lost_) return;
  lost_ = true;
  const auto* com = dynamic_cast<const EComPort*>(&error);
  const QString detail = com ? com->Message() : QString::fromUtf8(error.what());
  lostMessage_ = NetAddressText::IsNetworkName(path_)
                     ? QStringLiteral("utracono połączenie z portem sieciowym %1: serwer portów zamknął połączenie "
                                      "albo sieć przestała działać (Port COM niedostępny: %2)").arg(NameFromBytes(path_), detail)
                     : QStringLiteral("utracono połączenie z portem %1, adapter mógł zostać odłączony "
                                      "(Port COM niedostępny: %2)").arg(NameFromBytes(path_), detail);
  link_.EndWaits();
}

void Session::Interrupted(int count) {
  if (uninterruptible_) {
    console_.Warn(QStringLiteral("aktualizacja firmware trwa i nie zostanie przerwana: przerwany obraz "
                                 "zostawia sterownik w bootloaderze"));
    return;
  }
  if (count == 1) {
    console_.Info(QStringLiteral("Kończę po bieżącym kroku i wylogowuję się "
                                 "(ponowne Ctrl-C przerywa oczekiwanie od razu)"));
    return;
  }
  link_.EndWaits();
}

// Closing the port empties the driver's queues (on a pseudo-terminal, also what the other end
// has not read yet): what was written must be on its way first. A last frame that nothing
// answered (a restart, the end of an image) gets a second more, as the window gives its line
// before it closes.
void Session::LetTheLineEmpty() {
  const int fd = port_.PortHandle();
  const QDeadlineTimer deadline(DrainLimitMs);
  int queued = 0;
  while (::ioctl(fd, TIOCOUTQ, &queued) == 0 && queued > 0 && !deadline.hasExpired())
    QThread::msleep(DrainStepMs);
  const bool answered = link_.LastSentFrame.size() > 1 && link_.LastRxCommand == quint8(link_.LastSentFrame.at(1));
  if (!link_.LastSentFrame.isEmpty() && !answered) QThread::msleep(LingerMs);
}
