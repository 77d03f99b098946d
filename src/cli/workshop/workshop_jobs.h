#pragma once
// What each port's thread does once logged in, for every command that serves several ports at
// once. A job is planned in the main thread, where every file and value is checked (and the
// site of every port settled) before the first port opens; its run then only reads the plan.
#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "controller_visit.h"

struct PortResult {
  ExitStatus status = ExitStatus::Done;
  QString text;      // what was done, or why the port failed
  QJsonObject json;  // the command's own members, as one port's command prints them
  bool changed = false;  // the controller took what was sent (written, a new password)
};

struct WorkshopJob {
  VisitRules rules;
  QStringList sites;  // provision: the site of each port; empty for the other commands
  // Runs on the port's thread; throws CliError as the one-port command does.
  std::function<PortResult(Session& session, Console& console, int port)> run;
};

// Throws CliError (before anything is sent) as the one-port command would for the same line,
// and for what only several ports can get wrong.
// console: where the sites the register gets are told.
WorkshopJob PlanJob(const CliOptions& options, const QList<QByteArray>& ports, Console& console);
