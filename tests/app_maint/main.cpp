#include "run_tests.h"

#include "application.h"
#include "tst_app_maint.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The program's own application object: exceptions that escape a handler reach the window.
  TApplication app(argc, argv);
  return RunTests<TestConfigFiles, TestPassword, TestOneShot, TestFirmware, TestConfigHistory, TestInstallations, TestInstallationsDialog, TestReportDialog, TestDialogKeys>(argc, argv);
}
