#pragma once
// What the maintenance dialogs need of the main window that opens them.
#include <QByteArray>
#include <QString>
#include <exception>

class Link;
class TCustomComPort;

class MaintenanceHost {
 public:
  virtual Link& HostLink() = 0;
  virtual TCustomComPort& HostPort() = 0;
  virtual void ShowLoggedIn() = 0;
  virtual void ShowLoggedOut() = 0;
  virtual void ShowStatusOn() = 0;
  // A dialog that talks to the controller stops the status poll for its whole life.
  virtual void ClearStatusDisplayOn() = 0;
  // The 100 ms timer counts the waits of a dialog too.
  virtual void StartTimer() = 0;
  // Firmware is about to go in: what the controller holds is kept first.
  virtual void BeforeFirmware() = 0;
  // The password field of the main window, used at the next login.
  virtual void SetPassword(const QByteArray& password) = 0;
  // A file to read, or empty when the user cancels.
  virtual QString ChooseFileToOpen(const QString& filter) = 0;
  virtual void HandleError(const std::exception& error) = 0;

 protected:
  ~MaintenanceHost() = default;
};
