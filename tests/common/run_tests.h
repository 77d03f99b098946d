#pragma once
// Runs several Qt Test classes in one executable, in order, each on a fresh object; the
// failures add up.
#include <QTemporaryDir>
#include <QTest>

template <typename Test>
int RunTest(int argc, char** argv) {
  Test test;
  return QTest::qExec(&test, argc, argv);
}

template <typename... Tests>
int RunTests(int argc, char** argv) {
  // The configuration history of the programs under test goes to a folder of the run's own,
  // never to the user's.
  QTemporaryDir dataHome;
  qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome.path()));
  int failed = 0;
  ((failed += RunTest<Tests>(argc, argv)), ...);
  return failed;
}
