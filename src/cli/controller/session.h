#pragma once
// One controller on one serial port, as the window talks to it: the port at 1200 bit/s with DTR
// and RTS raised, the link with its 100 ms countdown timer, the login with the password and the
// logout. What the link reports goes into flags here; the command that waited turns them into
// an error with its exit status (nothing is thrown from inside an event handler).
#include <QByteArray>
#include <QString>
#include <QTimer>

#include "comport.h"
#include "connection_history.h"
#include "field_rules.h"
#include "link.h"
#include "register_keeper.h"

class Console;
class Interrupts;

class Session final : public LinkClient {
 public:
  Session(Console& console, Interrupts& interrupts);
  ~Session();  // lets the frames written go out, then closes the port

  // Throws CliError when the port cannot be opened.
  void Open(const QByteArray& path);
  // Throws CliError: no reply, wrong password, lost port, interrupted.
  void LogIn(const QByteArray& password);
  // Sends the logout and waits for its answer; a controller that does not answer gets a warning.
  void LogOut();
  bool LoggedIn() const { return loggedIn_; }
  // Whether a logout can still reach the controller: logged in, port there, line answering.
  bool CanLogOut() const { return loggedIn_ && !lost_; }

  // Gives the answer to a request that nothing waits for (the counter reset) up to a second to
  // come in, so that it never arrives together with the next answer: of two answers in one
  // batch the link keeps the first only. Silence is no error.
  void LetAnswerArrive(quint8 command);

  // Throws the error that explains why a wait for the controller ended without its reply.
  [[noreturn]] void ThrowWaitFailure(const QString& context) const;
  // Throws when Ctrl-C asked the command to stop.
  void StopIfInterrupted(const QString& context) const;

  // The port failed under a request (the device vanished): nothing more goes to it.
  void PortFailed(const std::exception& error);

  // The controller took what was sent (every item written, the new password): what a failure
  // after it must tell first. Empty until then.
  void NoteChanged(const QString& what) { changed_ = what; }
  const QString& Changed() const { return changed_; }

  // While the bootloader takes an image, Ctrl-C is refused: an interrupted image leaves the
  // controller in its bootloader.
  void SetUninterruptible(bool on) { uninterruptible_ = on; }

  Link& link() { return link_; }
  TCustomComPort& port() { return port_; }
  const QByteArray& path() const { return path_; }
  QString FirmwareCaption() const { return firmware_; }
  // What the firmware of the login reply allows; everything when it reported none.
  const FieldRules::FirmwareAllows& FirmwareAllows() const { return allows_; }
  // What this connection's transfers keep in the configuration history, through the register.
  ConnectionHistory& History() { return history_; }
  RegisterKeeper& Keeper() { return keeper_; }
  // Whether the register took an entry of this connection, which a shared register lacks then.
  bool KeptInRegister() const { return keptInRegister_; }

 private:
  void ShowLoggedOut() override;
  void ShowFirmwareVersion(quint8 version) override;
  void ShowStatusReply(const QByteArray&) override {}
  void ApplyConfigReply(quint8, const QByteArray&) override {}
  // ShowLoggedOut follows every unanswered request, the status poll's too: it notes the silence.
  void ReportNoReply() override {}

  void Interrupted(int count);
  void LetTheLineEmpty();

  Console& console_;
  Interrupts& interrupts_;
  TComPort port_;
  QTimer timer_;
  Link link_;
  QByteArray path_;
  QString firmware_;
  FieldRules::FirmwareAllows allows_;
  QString lostMessage_;
  QString changed_;
  QByteArray password_;  // of the login, kept in the history's files
  RegisterKeeper keeper_;
  ConnectionHistory history_;
  bool keptInRegister_ = false;
  bool loggedIn_ = false;
  bool noReply_ = false;
  bool lost_ = false;
  bool uninterruptible_ = false;
};
