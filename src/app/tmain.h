#pragma once
// The main window: the connection controller, the live status and the configuration controls.
#include <QByteArrayList>
#include <QMainWindow>
#include <QTimer>
#include <exception>
#include <memory>

#include "comport.h"
#include "link.h"
#include "port_discovery.h"
#include "status_display.h"
#include "ui_tmain.h"

class TFormJakieCOM;

class TMain : public QMainWindow, private LinkClient {
  Q_OBJECT

 public:
  // Ports are looked for under roots; tests give folders of their own.
  explicit TMain(QWidget* parent = nullptr, DiscoveryRoots roots = DiscoveryRoots::System());
  ~TMain() override;

  void HandleException(QObject* sender, const std::exception& error);

  // Connection states.
  void ShowLoggedIn();
  void ShowLoggedOut() override;
  void ClosePortDelayed();

  // Port discovery.
  void FillPortList(QByteArrayList& target);
  void RefreshPortList();

  Ui::TMain ui{};
  TComPort ComPort;
  QTimer Timer;
  Link link;
  StatusDisplay Status;
  bool LoggedIn = false;
  QByteArrayList PortNames;    // device paths, as the port opens them
  QStringList DeviceNames;     // what each of them is, same index

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void FormCreate();
  void Button_polaczClick();
  void Button_rozlaczClick();
  void FormClose();
  void TimerTimer();
  void Oprogramie1Click();
  void ButtonComClick();
  void ComComboChange(int index);

  // LinkClient
  void ShowFirmwareVersion(quint8 version) override;
  void ShowStatusReply(const QByteArray& payload) override;
  void ApplyConfigReply(quint8 command, const QByteArray& payload) override;

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

  DiscoveryRoots PortRoots;
  TFormJakieCOM* FormJakieCOM = nullptr;
  bool Closing = false;
};
