#pragma once
// A configuration history and settings of their own for the programs under test:
// XDG_DATA_HOME and XDG_CONFIG_HOME point into a new temporary folder, never at the user's
// (velt.conf holds the register's choice and the known network ports).
#include <QFile>
#include <QTemporaryDir>

class DataHome : public QTemporaryDir {
 public:
  DataHome() {
    qputenv("XDG_DATA_HOME", QFile::encodeName(path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path() + QStringLiteral("/config")));
  }
};
