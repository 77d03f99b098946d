#include "command_line.h"

#include "cli_error.h"

namespace {

struct OptionRule {
  const char* name;
  char letter;  // 0: long form only
  bool takesValue;
  bool common;
};

constexpr OptionRule Options[] = {
    {"port", 'p', true, true},     {"password", 0, true, true}, {"json", 0, false, true},
    {"quiet", 'q', false, true},   {"help", 'h', false, true},  {"output", 'o', true, false},
    {"verify", 0, false, false},   {"watch", 0, false, false},  {"sites", 0, true, false},
    {"site", 0, true, false},      {"record", 0, true, false},  {"version", 0, false, true},
    {"complete", 0, true, false},  {"force", 0, false, false}, {"csv", 0, true, false},
    {"for", 0, true, false},       {"ports", 0, true, false},   {"dry-run", 0, false, false},
    {"name", 0, true, false},      {"address", 0, true, false}, {"contact", 0, true, false},
    {"notes", 0, true, false},     {"changes", 0, false, false}, {"show-secrets", 0, false, false},
    {"full", 0, false, false},
    {"update", 0, false, false},
    {"phone", 0, true, false},     {"email", 0, true, false},   {"tax-id", 0, true, false},
    {"logo", 0, true, false},
};

const OptionRule* FindLong(const QString& name) {
  for (const OptionRule& o : Options)
    if (name == QLatin1String(o.name)) return &o;
  return nullptr;
}

const OptionRule* FindShort(QChar letter) {
  for (const OptionRule& o : Options)
    if (o.letter && letter == QLatin1Char(o.letter)) return &o;
  return nullptr;
}

// "all", or ports and names of network ports separated by commas.
void TakePorts(CliOptions& options, const QString& value) {
  if (value == u"all") {
    options.allPorts = true;
    return;
  }
  for (const QString& port : value.split(u',')) {
    if (port.trimmed().isEmpty()) RefuseUsage(QStringLiteral("opcja --ports: pusty port na liście '%1'").arg(value));
    options.ports.append(port.trimmed());
  }
}

void Set(CliOptions& options, const OptionRule& rule, const QString& value) {
  const QString name = QLatin1String(rule.name);
  const bool repeatable = name == u"port" || name == u"site";
  if (options.given.contains(name) && !repeatable) RefuseUsage(QStringLiteral("opcja --%1 podana dwa razy").arg(name));
  if (!options.given.contains(name)) options.given.append(name);
  // '' is a value left out by mistake (an unset variable), never "no option".
  // An installation's field is the exception: an empty one clears it.
  const bool field = name == u"name" || name == u"address" || name == u"contact" || name == u"notes";
  if (rule.takesValue && value.isEmpty() && !field) RefuseUsage(QStringLiteral("opcja --%1: pusta wartość").arg(name));
  if (name == u"port") options.ports.append(value);
  else if (name == u"ports") TakePorts(options, value);
  else if (name == u"password") options.password = value;
  else if (name == u"json") options.json = true;
  else if (name == u"quiet") options.quiet = true;
  else if (name == u"help") options.help = true;
  else if (name == u"version") options.version = true;
  else if (name == u"output") options.output = value;
  else if (name == u"verify") options.verify = true;
  else if (name == u"dry-run") options.dryRun = true;
  else if (name == u"watch") options.watch = true;
  else if (name == u"sites") options.sites = value;
  else if (name == u"site") options.siteValues.append(value);
  else if (name == u"record") options.record = value;
  else if (name == u"complete") options.complete = value;
  else if (name == u"force") options.force = true;
  else if (name == u"csv") options.csv = value;
  else if (name == u"for") options.duration = value;
  else if (name == u"name") options.fields.name = value;
  else if (name == u"address") options.fields.address = value;
  else if (name == u"contact") options.fields.contact = value;
  else if (name == u"notes") options.fields.notes = value;
  else if (name == u"phone") options.phone = value;
  else if (name == u"email") options.email = value;
  else if (name == u"tax-id") options.taxId = value;
  else if (name == u"logo") options.logo = value;
  else if (name == u"changes") options.changes = true;
  else if (name == u"show-secrets") options.showSecrets = true;
  else if (name == u"full") options.full = true;
  else if (name == u"update") options.update = true;
}

}  // namespace

bool IsCommonOption(const QString& name) {
  const OptionRule* rule = FindLong(name);
  return rule && rule->common;
}

QStringList OptionSpellings(const std::function<bool(const QString& name)>& wanted) {
  QStringList spellings;
  for (const OptionRule& o : Options) {
    if (!wanted(QLatin1String(o.name))) continue;
    const QLatin1String end(o.takesValue ? "=" : "");
    spellings.append(QStringLiteral("--%1%2").arg(QLatin1String(o.name), end));
    if (o.letter) spellings.append(QStringLiteral("-%1%2").arg(QLatin1Char(o.letter)).arg(end));
  }
  return spellings;
}

CliOptions ParseCommandLine(const QStringList& arguments) {
  CliOptions options;
  QStringList positional;
  bool optionsEnded = false;
  for (qsizetype i = 0; i < arguments.size(); ++i) {
    const QString& arg = arguments[i];
    if (optionsEnded || arg == u"-" || !arg.startsWith(u'-')) {
      positional.append(arg);
      continue;
    }
    if (arg == u"--") {
      optionsEnded = true;
      continue;
    }
    const OptionRule* rule = nullptr;
    std::optional<QString> inlineValue;
    QString shown;
    if (arg.startsWith(u"--")) {
      const qsizetype eq = arg.indexOf(u'=');
      shown = eq < 0 ? arg : arg.left(eq);
      rule = FindLong(shown.mid(2));
      if (eq >= 0) inlineValue = arg.mid(eq + 1);
    } else {
      shown = arg.left(2);
      rule = FindShort(arg[1]);
      if (arg.size() > 2) inlineValue = arg.mid(2);
    }
    if (!rule) RefuseUsage(QStringLiteral("nieznana opcja %1").arg(shown));
    if (!rule->takesValue) {
      if (inlineValue) RefuseUsage(QStringLiteral("opcja %1 nie przyjmuje wartości").arg(shown));
      Set(options, *rule, {});
      continue;
    }
    if (!inlineValue) {
      if (i + 1 >= arguments.size()) RefuseUsage(QStringLiteral("opcja %1 wymaga wartości").arg(shown));
      inlineValue = arguments[++i];
    }
    Set(options, *rule, *inlineValue);
  }
  options.port = options.ports.value(0);
  options.site = options.siteValues.value(0);
  if (!positional.isEmpty()) options.command = positional.takeFirst();
  options.arguments = positional;
  return options;
}
