#pragma once
// The main window: the connection controller, the live status and the configuration controls.
#include <QByteArrayList>
#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <bitset>
#include <exception>
#include <memory>
#include <optional>

#include "commands.h"
#include "comport.h"
#include "config_file.h"
#include "config_binding.h"
#include "connection_history.h"
#include "field_editing.h"
#include "maintenance_host.h"
#include "link.h"
#include "port_discovery.h"
#include "record_compare.h"
#include "installations.h"
#include "report_data.h"
#include "register_keeper.h"
#include "status_display.h"
#include "status_history.h"
#include "ui_tmain.h"
#include "window_register.h"

class RegisterStatusBar;
class TFboot;
class TFormJakieCOM;
class TFWykres;

class TMain : public QMainWindow, private LinkClient, private MaintenanceHost {
  Q_OBJECT

 public:
  // Ports are looked for under roots; tests give folders of their own.
  explicit TMain(QWidget* parent = nullptr, DiscoveryRoots roots = DiscoveryRoots::System());
  ~TMain() override;

  void HandleException(QObject* sender, const std::exception& error);

  // Connection states.
  void ShowLoggedIn() override;
  void ShowLoggedOut() override;
  void ClosePortDelayed();

  // Port discovery.
  void FillPortList(QByteArrayList& target);
  void RefreshPortList();
  // Port list items hold the port's name (Qt::UserRole); a chosen port that is missing now is
  // listed all the same, marked with true under this role.
  static constexpr int PortAbsentRole = Qt::UserRole + 1;
  bool ChosenPortAbsent() const;

  // One operation that talks to the controller at a time. An operation asked for while the
  // link is busy with the status poll, or while a receive batch runs, starts as soon as the link
  // is idle; one asked for while another operation runs is refused.
  using Operation = void (TMain::*)();
  // Configuration transfers, item by item.
  void DownloadConfig();
  void UploadConfig();
  // Configuration files.
  void SaveConfigFile();
  void LoadConfigFile();
  // Loads the file into the window as LoadConfigFile does; false when it was refused.
  bool LoadConfigFrom(const QString& path);
  // A configuration into the window as a file's is loaded; false when it was refused.
  bool LoadConfiguration(const ConfigFile& file);

  // The file dialogs; tests answer them instead of a user. Empty: cancelled.
  std::function<QString(const QString& filter)> ChooseOpenFile;
  std::function<QString(const QString& filter, const QString& suffix)> ChooseSaveFile;
  std::function<QString(const QString& suggested)> ChooseReportFile;  // a PDF, the name suggested
  void RunOperation(Operation operation);
  bool OperationRunning() const { return operationRunning_; }

  Ui::TMain ui{};
  TComPort ComPort;
  QTimer Timer;
  Link link;
  StatusDisplay Status;
  StatusHistory History;  // the status replies of the connection, for the signal chart
  RegisterKeeper Keeper;  // the installations register, where the configurations are kept
  ConnectionHistory ConfigHistory;  // the configurations transferred, kept; what the controller holds
  WindowRegister* Register = nullptr;  // what the connection kept in Keeper: its installation, the offer, the sync
  bool LoggedIn = false;
  std::unique_ptr<ConfigControls> Controls;
  std::unique_ptr<ConfigBinding> Binding;
  QByteArrayList PortNames;    // device paths, as the port opens them
  QStringList DeviceNames;     // what each of them is, same index

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  friend class OperationScope;

  void FormCreate();
  void Button_polaczClick();
  void Button_rozlaczClick();
  void FormClose();
  void TimerTimer();
  void Oprogramie1Click();
  void WykresGSM1Click();  // the signal chart; the gauge's double-click too
  void ButtonComClick();
  // The "COM?" dialog's network ports: kept in velt.conf, then listed at once.
  bool AddNetworkPort(const QString& name, const QByteArray& url);
  bool RemoveNetworkPort(const QString& name);
  void ComComboChange(int index);
  void ShowChosenPort();
  void Button_zmiana_haslaClick();
  void ButtonFirmwareClick();
  void ButtonRestartClick();
  void ButtonResetlimitClick();
  void HistoriaKonfiguracji1Click();
  void Instalacje1Click();
  // The connection's entries, those kept and those to come, to the installation.
  void AssignInstallation(const QString& uuid);
  // The installation the status bar offers, taken by the user.
  void AcceptOffer();
  // The register's part of the status bar, as the connection and the register stand.
  void ShowRegisterState();
  // "site (name)" of an installation of the local register; the UUID when it is not there.
  QString InstallationCaption(const QString& uuid);
  // The installation of the local register; nullopt when it is not there or cannot be read.
  std::optional<Installation> LocalInstallation(const QString& uuid);
  void PokazZmiany1Click();
  void Raport1Click();
  // "Dane firmy…" of the report dialog: the letterhead from now on; nullopt when cancelled.
  std::optional<std::optional<ReportCompany>> EditCompanyDetails(QWidget* parent);

  // Connection controller steps.
  void LogIn();
  // Closes the port and tells why, when why is not empty; true then.
  bool RefuseNotSerialPort(const QString& why);
  void Disconnect();
  // The port vanished (adapter pulled, controller gone with it): said once, port closed.
  void LinkLost(const QString& message);
  void ShowDisconnected();
  // "POŁĄCZONY" or not, also for the signal chart.
  void SetOnline(bool online);
  void ClosePortNow();
  void UpdateOperationControls();
  void RunPendingOperation();

  // LinkClient
  void ShowFirmwareVersion(quint8 version) override;
  void ShowStatusReply(const QByteArray& payload) override;
  void ApplyConfigReply(quint8 command, const QByteArray& payload) override;
  void ReportNoReply() override;
  void LinkIdle() override;

  // MaintenanceHost
  Link& HostLink() override { return link; }
  TCustomComPort& HostPort() override { return ComPort; }
  void ShowStatusOn() override { Status.ShowStatusOn(); }
  void ClearStatusDisplayOn() override { Status.StatusDisplayOn = false; }
  void StartTimer() override { Timer.start(); }
  void BeforeFirmware() override { ConfigHistory.BeforeFirmware(); }
  void SetPassword(const QByteArray& password) override;
  QString ChooseFileToOpen(const QString& filter) override { return ChooseOpenFile(filter); }
  void HandleError(const std::exception& error) override { HandleException(this, error); }

  void SetStateText(QLineEdit* field, const QString& text, bool good);

  // Qt's widget code is built without exception support, so no exception may unwind through
  // it: every handler hands its exceptions to HandleException where it is connected.
  template <typename... Args>
  auto Guarded(void (TMain::*handler)(Args...)) {
    return [this, handler](Args... args) {
      try {
        (this->*handler)(args...);
      } catch (const std::exception& error) {
        HandleException(this, error);
      }
    };
  }
  // A click that starts an operation on the controller.
  auto Operated(Operation operation) {
    return [this, operation] {
      try {
        RunOperation(operation);
      } catch (const std::exception& error) {
        HandleException(this, error);
      }
    };
  }

  // A file operation asked for while an operation runs: a beep, and true.
  bool RefusedDuringOperation();
  // The access password field as a configuration file holds it.
  QByteArray PasswordBytes() const;
  // The window's configuration; nothing, after an error box, when a field does not convert.
  std::optional<ConfigRecord> WindowRecord();
  // A configuration file read and checked; nothing, after the window's error boxes, when bad.
  std::optional<ConfigFile> ReadConfigFile(const QString& path);
  // An entry of the history against the window, item by item.
  void CompareWithWindow(const ConfigFile& file, const QStringList& columns);
  // Items that differ, with the window's captions, in a dialog of their own.
  void ShowChanges(const QString& title, const QString& note, const QStringList& headers,
                   const QList<ItemDifference>& differences);
  // After a transfer that leaves the window logged in: status and transfer buttons back.
  void EndTransfer();

  FieldEditing* Editing = nullptr;
  RegisterStatusBar* RegisterBar = nullptr;
  TFboot* FirmwareDialog = nullptr;  // while open
  bool CloseAfterFirmware = false;   // the window was closed during an update
  DiscoveryRoots PortRoots;
  TFormJakieCOM* FormJakieCOM = nullptr;
  QPointer<TFWykres> SignalChart;  // while open
  QByteArray ChosenPort;   // the user's port, kept by name across refreshes
  bool Online = false;     // "POŁĄCZONY": opened by POŁĄCZ, until ROZŁĄCZ or a lost line
  bool Closing = false;
  quint64 connectionsBegun_ = 0;  // POŁĄCZ on an open port, counted: what a delayed close leaves alone
  bool losingLink_ = false;
  bool operationRunning_ = false;
  Operation pendingOperation_ = nullptr;
  bool pendingScheduled_ = false;
  std::bitset<Cmd::ItemCount> unreadItems_;  // replies too short to use, since the download began
};

// The standard file dialogs, starting in the user's home folder; empty when cancelled.
QString AskFileToOpen(QWidget* parent, const QString& filter);
QString AskFileToSave(QWidget* parent, const QString& filter, const QString& suffix, const QString& suggested = QString());

// Marks an operation as running for its lifetime, and gives the controls back afterwards.
class OperationScope {
 public:
  explicit OperationScope(TMain& window);
  ~OperationScope();
  OperationScope(const OperationScope&) = delete;
  OperationScope& operator=(const OperationScope&) = delete;

 private:
  TMain& window_;
};
