#include <QApplication>
#include <QTest>

#include "tst_app_form.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  int failed = 0;
  {
    TestStatusDisplay t;
    failed += QTest::qExec(&t, argc, argv);
  }
  {
    TestProgressGauge t;
    failed += QTest::qExec(&t, argc, argv);
  }
  {
    TestFormContents t;
    failed += QTest::qExec(&t, argc, argv);
  }
  {
    TestFormLayout t;
    failed += QTest::qExec(&t, argc, argv);
  }
  return failed;
}
