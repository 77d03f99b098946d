#pragma once
// Runs several Qt Test classes in one executable, in order, each on a fresh object; the
// failures add up.
#include <QTest>

#include "data_home.h"

template <typename Test>
int RunTest(int argc, char** argv) {
  Test test;
  return QTest::qExec(&test, argc, argv);
}

template <typename... Tests>
int RunTests(int argc, char** argv) {
  const DataHome dataHome;  // of the run; a test may give each of its functions one of its own
  int failed = 0;
  ((failed += RunTest<Tests>(argc, argv)), ...);
  return failed;
}
