#include "application.h"
#include "run_tests.h"
#include "tst_signal_chart.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  TApplication app(argc, argv);
  return RunTests<TestSignalChart>(argc, argv);
}
