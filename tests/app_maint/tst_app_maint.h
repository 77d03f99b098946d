#pragma once
// The main window's files and maintenance operations; run together by main.cpp.
#include <QObject>
#include <memory>

#include "data_home.h"

// Configuration files: the saved bytes, loading back, refused files and failed saves.
class TestConfigFiles : public QObject {
  Q_OBJECT
 private slots:
  void savedBytes_data();
  void savedBytes();
  void saveCancelled();
  void roundTrip_data();
  void roundTrip();
  void refused_data();
  void refused();
  void failedSave_data();
  void failedSave();
  void savedMode_data();
  void savedMode();
  void focusedFieldLeft_data();
  void focusedFieldLeft();
  void equalFieldsUnchanged_data();
  void equalFieldsUnchanged();
  void operatorList_data();
  void operatorList();
  void notDuringTransfer_data();
  void notDuringTransfer();
};

// The password dialog.
class TestPassword : public QObject {
  Q_OBJECT
 private slots:
  void cancel();
  void fourDigits_data();
  void fourDigits();
  void changed_data();
  void changed();
  void controllerSilent();
};

// Restart and counter reset: one frame each.
class TestOneShot : public QObject {
  Q_OBJECT
 private slots:
  void oneFrame_data();
  void oneFrame();
};

// The firmware dialog: choosing a file and the transfer to the simulated bootloader.
class TestFirmware : public QObject {
  Q_OBJECT
 private slots:
  void fileChoice_data();
  void fileChoice();
  void transfer_data();
  void transfer();
  void hangUp_data();
  void hangUp();
  void closeDuringTransfer_data();
  void closeDuringTransfer();
};

// The configuration history: what the transfers keep, the history dialog, what an upload would change.
class TestConfigHistory : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void keptEntries_data();
  void keptEntries();
  void unwritableFolder();
  void historyDialog();
  void historyColumns();
  void unreadableHistory();
  void showChanges_data();
  void showChanges();

 private:
  std::unique_ptr<DataHome> dataHome_;  // XDG_DATA_HOME of each test
};

// The installations register: the dialog, the connection's installation, the offer.
class TestInstallations : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void search_data();
  void search();
  void edit();
  void assignConnection_data();
  void assignConnection();
  void offer_data();
  void offer();
  void pendingCount();
  void pendingWording_data();
  void pendingWording();
  void statusBarFits();

 private:
  std::unique_ptr<DataHome> dataHome_;
};

// The installations dialog: keys, unsaved details, columns.
class TestInstallationsDialog : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void tabStops();
  void mnemonics();
  void enter_data();
  void enter();
  void unsaved_data();
  void unsaved();
  void newKeptBySearch();
  void fitWidths_data();
  void fitWidths();
  void columns();

 private:
  std::unique_ptr<DataHome> dataHome_;
};

// Each dialog of the window from the keyboard.
// The handover report of the window's configuration.
class TestReportDialog : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void report_data();
  void report();
  void companyDetails();

 private:
  std::unique_ptr<DataHome> dataHome_;
};

class TestDialogKeys : public QObject {
  Q_OBJECT
 private slots:
  void keys_data();
  void keys();
};
