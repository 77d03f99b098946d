#pragma once
// velt-cli as a script runs it, against the in-process simulator on a pseudo-terminal: the
// program's output, exit status and the requests the controller received.
#include <QByteArray>
#include <QJsonObject>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include "simulator.h"

struct CliResult {
  int status = -1;  // exit status; -1 when the program crashed or had to be killed
  QString out, err;

  // The last line of the output as a JSON object (empty when it is none).
  QJsonObject Json() const;
  QString Describe() const;  // for failure messages
};

// Waits for a started velt-cli to end; one still running after timeoutMs is killed (status -1).
CliResult Finish(QProcess& process, int timeoutMs);
// Runs velt-cli to its end; a program still running after timeoutMs is killed (status -1).
CliResult RunCli(const QStringList& arguments, int timeoutMs = 60000,
                 const QProcessEnvironment& environment = QProcessEnvironment());

// Below any configuration file, report or CSV header: every file velt-cli writes grows past it.
inline constexpr qint64 SmallFileLimit = 16;
// velt-cli started by `process` may write no file past `bytes` (ulimit -f).
void LimitFileSize(QProcess& process, qint64 bytes = SmallFileLimit);

// The environment velt-cli runs in: the caller's without VELT_PASSWORD and XDG_RUNTIME_DIR.
QProcessEnvironment CliEnvironment();

class CliRig {
 public:
  explicit CliRig(SimOptions options = {.stageStepMs = 0});

  bool Start(QString* why);
  // velt-cli with "-p DEVICE" in front.
  CliResult Run(QStringList arguments, int timeoutMs = 60000);
  // Starts velt-cli with "-p DEVICE" and leaves it running.
  void Launch(QProcess& process, QStringList arguments);

  // The commands received, in order: "1 4 6 2".
  QString Commands() const;
  // A file in the rig's folder; written with the bytes when given.
  QString File(const QString& name, const QByteArray& bytes = QByteArray()) const;
  // The arguments with each "@" standing for the rig's folder.
  QStringList InFolder(QStringList arguments) const;

  Simulator sim;
  QTemporaryDir folder;
};

// What provision --verify sends: the login, every item written and read back, the state, the logout.
QString WriteAndVerifyCommands();
// The bytes followed by their XOR checksum, as configuration and firmware files end.
QByteArray WithChecksum(QByteArray bytes);
// A configuration file's bytes from its password and 29 values.
QByteArray ConfigFileBytes(const QByteArray& password, const std::array<QByteArray, Cmd::ItemCount>& items);
// A controller configuration with every item set and every text at its longest, Polish letters included.
ControllerState FullState();

#define START_RIG(rig)                                  \
  do {                                                  \
    QString why_;                                       \
    QVERIFY2((rig).Start(&why_), qPrintable(why_));     \
  } while (false)
