#include "tst_ports.h"

#include <QApplication>
#include "run_tests.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return RunTests<TestPortDiscovery, TestComSelect, TestFormJakieCOM>(argc, argv);
}
