#include "application.h"
#include "run_tests.h"
#include "tst_app_config.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The program's own application object: exceptions that escape a handler reach the window.
  TApplication app(argc, argv);
  return RunTests<TestBinding, TestEditing, TestTransfer>(argc, argv);
}
