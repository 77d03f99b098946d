#include <QCoreApplication>

#include "run_tests.h"
#include "tst_cli.h"

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  return RunTests<TstBadInput, TstConfigCommands, TstProvision, TstControllerCommands, TstInterrupts,
                  TstProgramInfo, TstOutcomes, TstOptionRules, TstSafeOutput, TstWorkshop, TstCliHistory,
                  TstCliRegister, TstCliReport>(argc, argv);
}
