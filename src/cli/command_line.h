#pragma once
// velt-cli's command line: the options (anywhere on the line, "--" ends them) and the command
// with its arguments. Which options and how many arguments a command takes is the command
// table's business (commands.h).
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "installations.h"

struct CliOptions {
  QString command;
  QStringList arguments;  // after the command
  QString port;           // -p/--port, the first one
  QStringList ports;      // every -p, in order: several make a many-port command
  bool allPorts = false;  // --ports all: every port that discovery lists, and the known network ports
  std::optional<QString> password;
  QString output;         // -o/--output; "-" is standard output
  QString sites, site, record;  // site: the first --site
  QStringList siteValues;       // every --site (PORT=SITE pairs for several ports)
  QString csv;            // --csv: status --watch writes a line a reply there
  QString duration;       // --for: status --watch ends after it
  bool json = false;
  bool quiet = false;
  bool help = false;
  bool version = false;
  bool verify = false;
  bool dryRun = false;    // write, set: what a write would change, nothing written
  bool watch = false;
  QString complete;       // --complete (not in the help): what to list for the shell's completion
  bool force = false;     // a read-only file (read -o), or any file (status --csv), is replaced
  InstallationFields fields;  // site add, site edit: --name, --address, --contact, --notes (not the site)
  QString phone, email, taxId, logo;  // company set: --phone, --email, --tax-id, --logo (with --name, --address)
  bool changes = false;       // site show: every change of the installation
  bool showSecrets = false;   // access passwords and PINs shown rather than masked
  bool full = false;          // register sync: every row compared with the server's
  bool update = false;        // sites import: the table's details replace the register's
  QStringList given;      // long names of the options on the line
};

// Throws CliError (Usage) for an unknown option, a missing or empty value or an option given twice
// (-p and --site may be repeated: a command with several ports takes them).
CliOptions ParseCommandLine(const QStringList& arguments);

// Options every command takes.
bool IsCommonOption(const QString& name);

// The options whose long names pass `wanted`, as the shell completes them: "--port=" and "-p="
// for one that takes a value, "--json" for one that does not.
QStringList OptionSpellings(const std::function<bool(const QString& name)>& wanted);
