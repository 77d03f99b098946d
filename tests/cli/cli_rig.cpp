#include "cli_rig.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QStringList>
#include <sys/resource.h>

#include "config_file.h"
#include "field_rules.h"

QJsonObject CliResult::Json() const {
  const QStringList lines = out.split(u'\n', Qt::SkipEmptyParts);
  return lines.isEmpty() ? QJsonObject() : QJsonDocument::fromJson(lines.back().toUtf8()).object();
}

QString CliResult::Describe() const {
  return QStringLiteral("exit %1\n--- stdout\n%2--- stderr\n%3").arg(status).arg(out, err);
}

QProcessEnvironment CliEnvironment() {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.remove(QStringLiteral("VELT_PASSWORD"));
  // A user's virtual ports are no test's; a test that wants a runtime folder gives its own.
  environment.remove(QStringLiteral("XDG_RUNTIME_DIR"));
  return environment;
}

void LimitFileSize(QProcess& process, qint64 bytes) {
  process.setChildProcessModifier([bytes] {
    const rlimit limit{rlim_t(bytes), rlim_t(bytes)};
    ::setrlimit(RLIMIT_FSIZE, &limit);
  });
}

CliResult Finish(QProcess& process, int timeoutMs) {
  CliResult result;
  if (process.state() != QProcess::NotRunning) process.waitForFinished(timeoutMs);
  if (process.state() != QProcess::NotRunning) {
    process.kill();
    process.waitForFinished(5000);
  } else if (process.exitStatus() == QProcess::NormalExit) {
    result.status = process.exitCode();
  }
  result.out = QString::fromUtf8(process.readAllStandardOutput());
  result.err = QString::fromUtf8(process.readAllStandardError());
  return result;
}

CliResult RunCli(const QStringList& arguments, int timeoutMs, const QProcessEnvironment& environment) {
  QProcess process;
  process.setProcessEnvironment(environment.isEmpty() ? CliEnvironment() : environment);
  process.start(QStringLiteral(VELT_CLI_PATH), arguments);
  return Finish(process, timeoutMs);
}

CliRig::CliRig(SimOptions options) : sim(std::move(options)) {}

bool CliRig::Start(QString* why) {
  if (!folder.isValid()) {
    *why = QStringLiteral("no temporary folder");
    return false;
  }
  return sim.Start(why);
}

CliResult CliRig::Run(QStringList arguments, int timeoutMs) {
  arguments.prepend(sim.DevicePath());
  arguments.prepend(QStringLiteral("-p"));
  return RunCli(arguments, timeoutMs);
}

void CliRig::Launch(QProcess& process, QStringList arguments) {
  arguments.prepend(sim.DevicePath());
  arguments.prepend(QStringLiteral("-p"));
  process.setProcessEnvironment(CliEnvironment());
  process.start(QStringLiteral(VELT_CLI_PATH), arguments);
}

QString CliRig::Commands() const {
  QStringList commands;
  for (const LoggedRequest& r : sim.Requests()) commands.append(QString::number(r.command));
  return commands.join(u' ');
}

QString CliRig::File(const QString& name, const QByteArray& bytes) const {
  const QString path = QDir(folder.path()).filePath(name);
  if (!bytes.isNull()) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(bytes);
  }
  return path;
}

QStringList CliRig::InFolder(QStringList arguments) const {
  for (QString& a : arguments) a.replace(u'@', folder.path());
  return arguments;
}

QString WriteAndVerifyCommands() {
  QStringList commands{"1"};
  for (int k = 0; k < Cmd::ItemCount; ++k) commands.append(QString::number(Cmd::WriteItem(k)));
  for (int k = 0; k < Cmd::ItemCount; ++k) commands.append(QString::number(Cmd::ReadItem(k)));
  return (commands + QStringList{"80", "2"}).join(u' ');
}

QByteArray WithChecksum(QByteArray bytes) {
  bytes.append(char(XorChecksum(bytes)));
  return bytes;
}

QByteArray ConfigFileBytes(const QByteArray& password, const std::array<QByteArray, Cmd::ItemCount>& items) {
  ConfigFile file;
  file.password = password;
  file.record.values = items;
  return EncodeConfigFile(file);
}

ControllerState FullState() {
  static const char* const readable[Cmd::ItemCount] = {
      "2580", "+486010003101", "+480000000001", "+480000000002", "+480000000003", "+480000000004",
      "Zażółć gęślą jaźń wyłączone 01", "Zażółć gęślą jaźń wyłączone 02", "Zażółć gęślą jaźń wyłączone 03",
      "Zażółć gęślą jaźń wyłączone 04", "Zażółć gęślą jaźń wyłączone 05", "Źdźbło łąki włączone nr 000001",
      "Źdźbło łąki włączone nr 000002", "Źdźbło łąki włączone nr 000003", "Źdźbło łąki włączone nr 000004",
      "Źdźbło łąki włączone nr 000005", "ZAŁ1", "ZAŁ2", "WYŁ1", "WYŁ2", "ZAŁ3", "WYŁ3",
      "IN1T1 IN2T4 IN1S1 IN5S4", "Out1NC Out3NC Out2Mono", "5,10,99", "10", "20", "Potw IN1blok Out1sygn",
      "Wykonano ąęś OK"};
  ControllerState state = ControllerState::New();
  for (int k = 0; k < Cmd::ItemCount; ++k)
    state.items[size_t(k)] = StoredItemValue(k, FieldRules::ParseItemValue(ConfigItems[size_t(k)], QString::fromUtf8(readable[k]), nullptr).value());
  return state;
}
