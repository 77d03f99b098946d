#pragma once
// The progress of a many-port command on standard error. On a terminal each port has a line,
// updated in place: port, site, step, percentage, and at the end its result. Elsewhere (a log,
// a pipe) a line is written for each step that ends. -q leaves only the warnings. Everything
// runs in the main thread: the ports' threads post to it (PortConsole).
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include "cli_error.h"
#include "console.h"

class ProgressBoard : public QObject {
 public:
  // sites: one per port, or none.
  ProgressBoard(const QList<QByteArray>& ports, const QStringList& sites, bool quiet);

  void Begin(int port, const QString& step);  // a step with a percentage
  void Percent(int port, int percent);
  void StepEnded(int port);
  // Information: a step that has ended, the logout. On a terminal it stands as the port's step.
  void Note(int port, const QString& text);
  void Warn(int port, const QString& text);
  void Finish(int port, ExitStatus status, const QString& result);

 private:
  struct Line {
    QString port, site;
    QString step = QStringLiteral("logowanie");
    int percent = -1;  // -1: the step has none
  };
  QString Name(int port) const;
  QString Shown(const Line& line) const;
  void Draw();
  void Erase();

  QList<Line> lines_;
  Console console_;
  bool quiet_;
  bool terminal_;
  int drawn_ = 0;  // lines of the board on the terminal now
  qsizetype portWidth_ = 0, siteWidth_ = 0;
};
