#pragma once
// velt-cli's tests, one class per area.
#include <QObject>
#include <memory>

#include "data_home.h"

// Wrong command lines and bad files: a clear message, the right exit status, nothing sent.
class TstBadInput : public QObject {
  Q_OBJECT
 private slots:
  void commandLine_data();
  void commandLine();
  void files_data();
  void files();
};

// read, write, get, set, show, diff and verification.
class TstConfigCommands : public QObject {
  Q_OBJECT
 private slots:
  void setAndGetEveryKind_data();
  void setAndGetEveryKind();
  void readThenWriteRoundTrip();
  void readPrintsEveryKey();
  void showAndDiff_data();
  void showAndDiff();
  void verificationCatchesAlteredValue_data();
  void verificationCatchesAlteredValue();
  void dryRunSeesEveryByte_data();
  void dryRunSeesEveryByte();
};

// provision with its table of sites and its records.
class TstProvision : public QObject {
  Q_OBJECT
 private slots:
  void provisionEachSite_data();
  void provisionEachSite();
  void csvForms_data();
  void csvForms();
};

// status, ports, the maintenance commands, firmware and the faults of line and controller.
class TstControllerCommands : public QObject {
  Q_OBJECT
 private slots:
  void status_data();
  void status();
  void statusText();
  void watchCsv_data();
  void watchCsv();
  void watchCsvKeepsFile_data();
  void watchCsvKeepsFile();
  void watchCsvFull_data();
  void watchCsvFull();
  void sparklineAcrossClockSteps_data();
  void sparklineAcrossClockSteps();
  void ports();
  void maintenance_data();
  void maintenance();
  void firmware_data();
  void firmware();
  void faults_data();
  void faults();
  void hangUpMidTransfer_data();
  void hangUpMidTransfer();
  void portUnavailable_data();
  void portUnavailable();
};

// Ctrl-C: a transfer stops after its item and logs out, a firmware update refuses, --watch ends.
class TstInterrupts : public QObject {
  Q_OBJECT
 private slots:
  void transferStopsAfterCurrentItem_data();
  void transferStopsAfterCurrentItem();
  void firmwareUpdateIsNotInterrupted();
  void watchEndsWithLogout();
  void watchCsvStalledReader_data();
  void watchCsvStalledReader();
};

// --version, --help and the shell's completion.
class TstProgramInfo : public QObject {
  Q_OBJECT
 private slots:
  void answers_data();
  void answers();
  void helpNamesEveryOption();
  void completion_data();
  void completion();
};

// Output that cannot be written, signals, a lost line, empty option values, records.
class TstOutcomes : public QObject {
  Q_OBJECT
 private slots:
  void results_data();
  void results();
  void records_data();
  void records();
};

// The rules between the option boxes and the firmware version.
class TstOptionRules : public QObject {
  Q_OBJECT
 private slots:
  void refused_data();
  void refused();
};

// Escaped values, the password only for a serial port, read-only files.
class TstSafeOutput : public QObject {
  Q_OBJECT
 private slots:
  void edges_data();
  void edges();
  void namesInOtherBytes_data();
  void namesInOtherBytes();
  void portNamesInOtherBytes_data();
  void portNamesInOtherBytes();
};

// Several ports at once: a site and a record each, a failing port holds up no other, nothing sent
// when the ports or their sites cannot be settled, Ctrl-C on every port.
class TstWorkshop : public QObject {
  Q_OBJECT
 private slots:
  void provisionAtOnce_data();
  void provisionAtOnce();
  void refusedBeforeSending_data();
  void refusedBeforeSending();
  void readIntoFolder_data();
  void readIntoFolder();
  void interruptStopsEveryPort();
  void summaryLost_data();
  void summaryLost();
};

// The configuration history: what each command keeps, history, diff @N, dry runs.
class TstCliHistory : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void transfersKeepEntries_data();
  void transfersKeepEntries();
  void historyCommands_data();
  void historyCommands();
  void dryRun_data();
  void dryRun();
  void unwritableFolder_data();
  void unwritableFolder();
  void unreadableFolder_data();
  void unreadableFolder();

 private:
  std::unique_ptr<DataHome> dataHome_;  // XDG_DATA_HOME of each test
};

// velt-cli report: where it may write, its time, the installation it names.
class TstCliReport : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void output_data();
  void output();
  void sourceDateEpoch_data();
  void sourceDateEpoch();
  void installationOfTheEntry_data();
  void installationOfTheEntry();
  void siteEntriesElsewhere();
  void company_data();
  void company();
  void letterheadFromTheRegister();

 private:
  std::unique_ptr<DataHome> dataHome_;
};

// The installations register: sites, linked entries, the history imported and exported, a
// damaged register, the shared register's choice and a server that does not answer.
class TstCliRegister : public QObject {
  Q_OBJECT
 private slots:
  void init();
  void sites_data();
  void sites();
  void linkedEntries_data();
  void linkedEntries();
  void unknownSite();
  void importAndExport();
  void damagedRegister();
  void malformedRegister();
  void registerUse_data();
  void registerUse();
  void unreachableShared();
  void assignEntry();

 private:
  std::unique_ptr<DataHome> dataHome_;
  std::unique_ptr<QTemporaryDir> configHome_;  // XDG_CONFIG_HOME: the register's choice
};
