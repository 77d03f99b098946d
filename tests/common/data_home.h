#pragma once
// A configuration history of its own for the programs under test: XDG_DATA_HOME points into a
// new temporary folder, never at the user's.
#include <QFile>
#include <QTemporaryDir>

class DataHome : public QTemporaryDir {
 public:
  DataHome() { qputenv("XDG_DATA_HOME", QFile::encodeName(path())); }
};
