#include "command_line.h"

namespace {

bool AllDigits(const QString& s) {
  if (s.isEmpty()) return false;
  for (QChar c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

}  // namespace

QString Usage() {
  return QStringLiteral(
             "Usage: velt-sim [OPTION]...\n"
             "Simulates a VELT controller on a pseudo-terminal. Prints the device path on its first\n"
             "line (followed by the link path with --link), then serves until SIGINT, SIGTERM or\n"
             "SIGHUP, or until a hangup-after fault has closed the line.\n"
             "\n"
             "  --link PATH        make PATH a symbolic link to the device, locked through PATH.lock;\n"
             "                     an old link is replaced unless a running simulator holds it;\n"
             "                     both are removed again on exit\n"
             "  --password DIGITS  password of a new controller (default %1)\n"
             "  --firmware CHAR    firmware version character of the login reply (default %2)\n"
             "  --baud N           pace both directions at 10 bits per byte at N bit/s (default %3,\n"
             "                     the controller's line); 0 is the same as --unpaced\n"
             "  --unpaced          move bytes at once, faster than any line (for tests); a firmware\n"
             "                     update does not take acknowledgements that come so early\n"
             "  --state FILE       keep configuration, password and counters in FILE across runs;\n"
             "                     when FILE exists it overrides --password\n"
             "  --trace            log every frame in and out on stderr\n"
             "  --fault FAULT       switch a fault on (see below); repeat for several\n"
             "  --help             show this text\n"
             "  --version          show the program's version and licence\n"
             "\n"
             "Faults (FAULT):\n")
             .arg(QString::fromLatin1(DefaultPassword))
             .arg(QChar(DefaultVersion))
             .arg(LineBaud) +
         Faults::Syntax();
}

std::optional<CommandLine> ParseCommandLine(const QStringList& args, QString* error) {
  CommandLine cl;
  cl.options.baud = LineBaud;
  for (qsizetype i = 0; i < args.size(); ++i) {
    const QString& arg = args[i];
    if (arg == "--help" || arg == "-h") {
      cl.help = true;
      return cl;
    }
    if (arg == "--version") {
      cl.version = true;
      return cl;
    }
    if (arg == "--trace") {
      cl.options.trace = true;
      continue;
    }
    if (arg == "--unpaced") {
      cl.options.baud = 0;
      continue;
    }
    const bool takesValue = arg == "--link" || arg == "--password" || arg == "--firmware" ||
                            arg == "--baud" || arg == "--state" || arg == "--fault";
    if (!takesValue) {
      *error = QStringLiteral("unknown option '%1'").arg(arg);
      return std::nullopt;
    }
    if (i + 1 >= args.size()) {
      *error = QStringLiteral("option '%1' needs a value").arg(arg);
      return std::nullopt;
    }
    const QString value = args[++i];
    if (arg == "--link") {
      if (value.isEmpty()) {
        *error = QStringLiteral("--link needs a path");
        return std::nullopt;
      }
      cl.link = value;
    } else if (arg == "--password") {
      if (!AllDigits(value)) {
        *error = QStringLiteral("--password takes digits, not '%1'").arg(value);
        return std::nullopt;
      }
      cl.options.password = value.toLatin1();
    } else if (arg == "--firmware") {
      if (value.size() != 1 || value[0].unicode() > 0x7E || value[0].unicode() < 0x20) {
        *error = QStringLiteral("--firmware takes one printable ASCII character, not '%1'").arg(value);
        return std::nullopt;
      }
      cl.options.version = value[0].toLatin1();
    } else if (arg == "--baud") {
      bool ok = false;
      cl.options.baud = value.toInt(&ok);
      if (!ok || cl.options.baud < 0 || cl.options.baud > 4000000) {
        *error = QStringLiteral("--baud takes a rate in bit/s (0 for none), not '%1'").arg(value);
        return std::nullopt;
      }
    } else if (arg == "--state") {
      if (value.isEmpty()) {
        *error = QStringLiteral("--state needs a file name");
        return std::nullopt;
      }
      cl.options.stateFile = value;
    } else {
      cl.options.faults.append(value);
    }
  }
  QString why;
  if (!Faults::Parse(cl.options.faults, &why)) {
    *error = why;
    return std::nullopt;
  }
  return cl;
}
