#include <QApplication>
#include "run_tests.h"

#include "tst_app_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return RunTests<TestStatusDisplay, TestProgressGauge, TestFormContents, TestFormLayout>(argc, argv);
}
