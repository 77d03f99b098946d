#include <QTest>

#include "application.h"
#include "tst_app.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // The program's own application object: exceptions that escape a handler reach the window.
  TApplication app(argc, argv);
  int failed = 0;
  {
    TestConnection t;
    failed += QTest::qExec(&t, argc, argv);
  }
  {
    TestPolling t;
    failed += QTest::qExec(&t, argc, argv);
  }
  {
    TestDisconnect t;
    failed += QTest::qExec(&t, argc, argv);
  }
  {
    TestDiscovery t;
    failed += QTest::qExec(&t, argc, argv);
  }
  return failed;
}
