#include "tst_ports.h"

#include <QApplication>
#include <QTest>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int failed = 0;
  {
    TestPortDiscovery t;
    failed += QTest::qExec(&t, argc, argv);
  }
  {
    TestComSelect t;
    failed += QTest::qExec(&t, argc, argv);
  }
  {
    TestFormJakieCOM t;
    failed += QTest::qExec(&t, argc, argv);
  }
  return failed;
}
