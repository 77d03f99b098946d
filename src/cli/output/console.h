#pragma once
// Where velt-cli speaks: results on standard output (text, or one JSON document per line with
// --json), everything else on standard error. -q silences information and progress, never
// warnings and errors. Texts are UTF-8. A result that cannot be written (a full disk, a closed
// pipe) fails the command: a script must never take a lost result for success.
#include <QJsonObject>
#include <QString>
#include <QStringList>

// A port's thread in a many-port command speaks through a console of its own (port_run.h): the
// messages and progress of the layers below are virtual for it.
class Console {
 public:
  Console(bool json, bool quiet);
  virtual ~Console() = default;

  bool Json() const { return json_; }

  // Throw CliError (Error) when standard output takes not all of it.
  void Result(const QString& line);       // a line of the text result
  void Result(const QJsonObject& object);  // a JSON document, on one line
  virtual void Info(const QString& line);
  virtual void Warn(const QString& line);
  void Error(const QString& line);

  // A line kept under the results on a terminal, replaced by the next result or footer; nothing
  // elsewhere, with --json or -q.
  void Footer(const QString& line);
  void EndFooter();

  // A progress bar on a terminal; plain lines at every tenth otherwise.
  virtual void BeginProgress(const QString& label);
  virtual void Progress(int percent);
  virtual void EndProgress();

 private:
  void ToErr(const QString& text);
  void CloseBar();

  bool json_;
  bool quiet_;
  bool terminal_;
  bool resultsTerminal_;
  bool footerOpen_ = false;
  QString label_;
  int shownTenth_ = -1;
  bool barOpen_ = false;
};

// The C0 and C1 controls and the bidirectional controls (embeddings, overrides, isolates and
// marks), which would reorder what a terminal shows after them.
bool IsControlCharacter(QChar c);

// Control characters as escapes ("\n", "\t", "\x1b", "\u202e" ...): a value from a controller or
// a file can neither steer the terminal, nor reorder what it shows, nor split a line. keepLines
// leaves the line breaks of the program's own text of several lines.
QString Escaped(const QString& text, bool keepLines = false);

// Rows of cells as lines: each column but the last as wide as its widest cell, two spaces apart.
QStringList AlignedColumns(const QList<QStringList>& rows);

// Bytes onto standard output, checked; throws CliError (Error).
void WriteResult(const QByteArray& bytes);
// Closes standard output at the end, so that a write the system deferred is checked too; throws
// CliError (Error).
void CloseResults();
