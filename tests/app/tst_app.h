#pragma once
// The main window against the simulated controller; run together by main.cpp.
#include <QObject>

// Start of a connection: login, refused password, no answer, a port that does not open, and
// the controls of each connection state.
class TestConnection : public QObject {
  Q_OBJECT
 private slots:
  void states_data();
  void states();
  void login_data();
  void login();
  void loginUnanswered();
  void portDoesNotOpen_data();
  void portDoesNotOpen();
  void notASerialPort_data();
  void notASerialPort();
  void conversionErrorNamesThePort();
  void enterInPasswordConnects();
  void menusFromTheKeyboard_data();
  void menusFromTheKeyboard();
};

// The status poll while logged in, and what its replies and the login reply show.
class TestPolling : public QObject {
  Q_OBJECT
 private slots:
  void pollSchedule();
  void controllerFallsSilent();
  void statusShown_data();
  void statusShown();
  void firmwareVersion_data();
  void firmwareVersion();
};

// Leaving the controller: "ROZŁĄCZ" and closing the window.
class TestDisconnect : public QObject {
  Q_OBJECT
 private slots:
  void logout_data();
  void logout();
  void closeWhileLoggedIn();
  void reconnectDuringDelayedClose_data();
  void reconnectDuringDelayedClose();
  void connectWhileClosing();
};

// The ports the window offers, the "Porty COM" list and choosing a port.
class TestDiscovery : public QObject {
  Q_OBJECT
 private slots:
  void startUp_data();
  void startUp();
  void portListDialog_data();
  void portListDialog();
  void refreshKeepsTheChosenPort();
};

// A line that vanishes under the window: adapter pulled, controller gone with its adapter.
class TestLostLink : public QObject {
  Q_OBJECT
 private slots:
  void hangUp_data();
  void hangUp();
  void logoutCannotBeWritten();
};

// One request at a time: waits started from inside a receive batch, and waits that end with
// the link.
class TestOneAtATime : public QObject {
  Q_OBJECT
 private slots:
  void waitAskedForInsideDispatch_data();
  void waitAskedForInsideDispatch();
  void closeWhileWaiting();
  void lateRepliesKeepTheLogin();
  void operationsWaitForTheUpload();
};
