// sites [TEXT], sites import TABLE.csv, site show|add|edit ID, site assign ID @N: the
// installations register's sites, read from this computer's register, the team's replica.
#include <QJsonArray>
#include <limits>

#include "command_line.h"
#include "command_table.h"
#include "console.h"
#include "history_entries.h"
#include "history_json.h"
#include "item_values.h"
#include "register_fault.h"
#include "register_view.h"
#include "site_id.h"
#include "site_register.h"
#include "site_table.h"
#include "technician.h"

namespace {

constexpr int All = std::numeric_limits<int>::max();

// What the fields are called in JSON and in the text, in InstallationFields' order.
struct FieldName {
  const char* key;
  const char* caption;
  QString InstallationFields::*field;
};
constexpr FieldName Fields[] = {
    {"site", "Obiekt", &InstallationFields::site},        {"name", "Nazwa", &InstallationFields::name},
    {"address", "Adres", &InstallationFields::address},  {"contact", "Kontakt", &InstallationFields::contact},
    {"notes", "Uwagi", &InstallationFields::notes},
};

QString TimeText(const QDateTime& time) { return time.isValid() ? time.toString(QStringLiteral("yyyy-MM-dd HH:mm")) : QString(); }

QJsonObject InstallationJson(const ListedInstallation& listed) {
  const Installation& i = listed.installation;
  QJsonObject json{{QStringLiteral("uuid"), i.uuid},
                   {QStringLiteral("last_visit"), listed.lastVisit.isValid() ? listed.lastVisit.toString(Qt::ISODate) : QString()},
                   {QStringLiteral("firmware"), listed.firmware},
                   {QStringLiteral("technician"), listed.technician},
                   {QStringLiteral("changed"), i.changed.toString(Qt::ISODate)},
                   {QStringLiteral("changed_by"), i.changedBy}};
  for (const FieldName& f : Fields) json.insert(QLatin1String(f.key), i.fields.*f.field);
  return json;
}

// The register this computer uses, with the shared one when chosen; a choice that cannot be
// read is told and this computer's register used.
struct Registers {
  RegisterKeeper keeper;
  RegisterStore& local;
  RegisterView view;

  explicit Registers(Console& console) : local(SiteRegister::Open(keeper)), view(local, Choice(console)) {}

  static std::optional<SharedTarget> Choice(Console& console) {
    const RegisterChoice::Choice choice = RegisterChoice::Current();
    if (!choice.problem.isEmpty()) console.Warn(choice.problem);
    return choice.shared;
  }
};

void TellSource(Console& console, const RegisterView::Source& source, QJsonObject* json) {
  if (source.notice.isEmpty()) return;
  const QString& told = source.notice;
  if (json) json->insert(QStringLiteral("notice"), told);
  else console.Warn(told);
}

ExitStatus Search(Context& context, const QString& text) {
  Console& console = context.console;
  Registers registers(console);
  const RegisterView::Listing listing = registers.view.Search(text, All);
  if (console.Json()) {
    QJsonArray array;
    for (const ListedInstallation& l : listing.installations) array.append(InstallationJson(l));
    QJsonObject result{{QStringLiteral("sites"), array}};
    TellSource(console, listing.source, &result);
    console.Result(result);
    return ExitStatus::Done;
  }
  TellSource(console, listing.source, nullptr);
  console.Info(QStringLiteral("Instalacji: %1").arg(listing.installations.size()));
  if (listing.installations.isEmpty()) return ExitStatus::Done;
  QList<QStringList> rows{{QStringLiteral("Obiekt"), QStringLiteral("Nazwa"), QStringLiteral("Adres"),
                           QStringLiteral("Ostatnia wizyta"), QStringLiteral("Firmware"), QStringLiteral("Technik")}};
  for (const ListedInstallation& l : listing.installations) {
    const InstallationFields& f = l.installation.fields;
    QStringList row;
    for (const QString& cell : {f.site, f.name, f.address, TimeText(l.lastVisit), l.firmware, l.technician})
      row.append(cell.isEmpty() ? QStringLiteral("-") : Escaped(cell));
    rows.append(row);
  }
  for (const QString& line : AlignedColumns(rows)) console.Result(line);
  return ExitStatus::Done;
}

// The installation of the site, as the register lists it.
ListedInstallation Find(Registers& registers, const QString& site, RegisterView::Source* source) {
  const Installation installation = SiteRegister::OfSite(registers.local, site);
  const RegisterView::Listing listing = registers.view.Search(installation.fields.site, All);
  *source = listing.source;
  for (const ListedInstallation& l : listing.installations)
    if (l.installation.uuid == installation.uuid) return l;
  return {installation, {}, {}, {}, {}};
}

QJsonObject ChangeJson(const FieldChange& c) {
  return {{QStringLiteral("when"), c.when.toString(Qt::ISODateWithMs)},
          {QStringLiteral("received"), c.received.isValid() ? c.received.toString(Qt::ISODateWithMs) : QString()},
          {QStringLiteral("by"), c.by},
          {QStringLiteral("field"), QLatin1String(c.field)},           {QStringLiteral("before"), c.before},
          {QStringLiteral("after"), c.after}};
}

ExitStatus Show(Context& context, const QString& site) {
  Console& console = context.console;
  const CliOptions& options = context.options;
  Registers registers(console);
  RegisterView::Source source;
  const ListedInstallation found = Find(registers, site, &source);
  const Installation& installation = found.installation;
  HistoryListing history = RegisterHistory::List(registers.keeper, ConfigurationScope::Of(installation.uuid));
  if (!history.error.isEmpty()) throw CliError(ExitStatus::Error, history.error);
  const Secrets secrets = options.showSecrets ? Secrets::Shown : Secrets::Hidden;
  RegisterView::Entry latest;
  if (!found.latestConfiguration.isEmpty()) latest = registers.view.Shown(found.latestConfiguration, secrets);
  RegisterView::Changes changes;
  if (options.changes) changes = registers.view.ChangesOf(installation.uuid);

  if (console.Json()) {
    QJsonObject result = InstallationJson(found);
    result.insert(QStringLiteral("created"), installation.created.toString(Qt::ISODate));
    result.insert(QStringLiteral("created_by"), installation.createdBy);
    QJsonArray entries;
    for (qsizetype i = 0; i < history.rows.size(); ++i) entries.append(HistoryJson::Entry(history, history.rows[i], i + 1));
    result.insert(QStringLiteral("configurations"), entries);
    if (latest.shown) {
      QJsonObject values = Keyed::FileJson({latest.shown->password, latest.shown->record});
      values.insert(QStringLiteral("uuid"), latest.shown->entry.uuid);
      result.insert(QStringLiteral("latest"), values);
    }
    if (options.changes) {
      QJsonArray array;
      for (const FieldChange& c : changes.changes) array.append(ChangeJson(c));
      result.insert(QStringLiteral("changes"), array);
    }
    for (const RegisterView::Source& s : {source, latest.source, changes.source}) TellSource(console, s, &result);
    console.Result(result);
    return ExitStatus::Done;
  }
  for (const RegisterView::Source& s : {source, latest.source, changes.source}) TellSource(console, s, nullptr);
  for (const FieldName& f : Fields)
    console.Result(QStringLiteral("%1=%2").arg(QLatin1String(f.key), Escaped(installation.fields.*f.field)));
  console.Result(QStringLiteral("created=%1 %2").arg(TimeText(installation.created), Escaped(installation.createdBy)));
  console.Result(QStringLiteral("changed=%1 %2").arg(TimeText(installation.changed), Escaped(installation.changedBy)));
  console.Result(QString());
  console.Result(QStringLiteral("Konfiguracje: %1").arg(history.rows.size()));
  if (!history.rows.isEmpty())
    for (const QString& line : HistoryJson::Table(history.rows)) console.Result(line);
  if (latest.shown) {
    console.Result(QString());
    console.Result(QStringLiteral("Najnowsza konfiguracja (%1):").arg(TimeText(latest.shown->entry.label.time)));
    for (const QString& line : Keyed::FileLines({latest.shown->password, latest.shown->record})) console.Result(line);
  }
  if (options.changes) {
    console.Result(QString());
    console.Result(QStringLiteral("Zmiany: %1").arg(changes.changes.size()));
    // When each was made, by its computer's clock, and when the shared register received it.
    const QString format = QStringLiteral("yyyy-MM-dd HH:mm:ss");
    for (const FieldChange& c : changes.changes)
      console.Result(QStringLiteral("%1 (%2) %3 %4: \"%5\" -> \"%6\"")
                         .arg(c.when.toString(format),
                              c.received.isValid() ? QStringLiteral("na serwerze ") + c.received.toString(format)
                                                   : QStringLiteral("nie wysłano"),
                              Escaped(c.by), QLatin1String(c.field), Escaped(c.before), Escaped(c.after)));
  }
  return ExitStatus::Done;
}

// The fields given on the line: an edit of those alone, each to its value, an empty one cleared.
FieldEdit Given(const CliOptions& options) {
  FieldEdit edit;
  for (int f = 0; f < FieldEdit::Count; ++f)
    if (options.given.contains(QLatin1String(FieldEdit::Names[f]))) {
      edit.mask |= 1 << f;
      edit.values.*FieldEdit::Members[f] = options.fields.*FieldEdit::Members[f];
    }
  return edit;
}

ExitStatus Add(Context& context, const QString& site) {
  const CliOptions& options = context.options;
  if (!options.given.contains(QStringLiteral("name")))
    throw CliError(ExitStatus::Usage, QStringLiteral("site add wymaga --name NAZWA"));
  InstallationFields fields = Given(options).values;
  fields.site = SiteId::Typed(site);
  RegisterKeeper keeper;
  QString uuid;
  try {
    uuid = Installations(SiteRegister::Open(keeper)).Add(fields, Technician::Name());
  } catch (const RegisterFault& fault) {
    throw CliError(ExitStatus::Error, fault.message());
  }
  if (context.console.Json()) context.console.Result(QJsonObject{{QStringLiteral("site"), fields.site}, {QStringLiteral("uuid"), uuid}});
  else context.console.Info(QStringLiteral("Dodano instalację %1").arg(Escaped(fields.site)));
  return ExitStatus::Done;
}

ExitStatus Edit(Context& context, const QString& site) {
  const CliOptions& options = context.options;
  if (!std::any_of(std::begin(Fields), std::end(Fields), [&](const FieldName& f) { return options.given.contains(QLatin1String(f.key)); }))
    throw CliError(ExitStatus::Usage, QStringLiteral("site edit: podaj, co zmienić (--name, --address, --contact, --notes)"));
  RegisterKeeper keeper;
  RegisterStore& store = SiteRegister::Open(keeper);
  const Installation installation = SiteRegister::OfSite(store, site);
  try {
    Installations(store).Edit(installation.uuid, Given(options), Technician::Name());
  } catch (const RegisterFault& fault) {
    throw CliError(ExitStatus::Error, fault.message());
  }
  if (context.console.Json()) context.console.Result(QJsonObject{{QStringLiteral("site"), installation.fields.site}, {QStringLiteral("uuid"), installation.uuid}});
  else context.console.Info(QStringLiteral("Zmieniono instalację %1").arg(Escaped(installation.fields.site)));
  return ExitStatus::Done;
}

// The history entry @N, as `velt-cli history` numbers it, belongs to the installation from now on.
ExitStatus Assign(Context& context, const QString& site, const QString& reference) {
  if (!reference.startsWith(u'@'))
    throw CliError(ExitStatus::Usage, QStringLiteral("site assign ID @N: wpis historii jako @N albo @latest"));
  RegisterKeeper keeper;
  RegisterStore& store = SiteRegister::Open(keeper);
  const Installation installation = SiteRegister::OfSite(store, site);
  const HistoryListing listing = HistoryEntries::Listed(keeper, context.console);
  const HistoryRow& row = HistoryEntries::Numbered(listing.rows, reference.mid(1));
  if (row.uuid.isEmpty())
    throw CliError(ExitStatus::Error, QStringLiteral("wpis %1 jest tylko w folderze historii, nie w rejestrze").arg(reference));
  try {
    Configurations(store).Assign(row.uuid, installation.uuid, Technician::Name());
  } catch (const RegisterFault& fault) {
    throw CliError(ExitStatus::Error, fault.message());
  }
  if (context.console.Json())
    context.console.Result(QJsonObject{{QStringLiteral("site"), installation.fields.site},
                                       {QStringLiteral("installation"), installation.uuid},
                                       {QStringLiteral("entry"), row.uuid}});
  else
    context.console.Info(QStringLiteral("Wpis %1 przypisano do instalacji %2").arg(reference, Escaped(installation.fields.site)));
  return ExitStatus::Done;
}

// A detail of a known site that its table row gives otherwise.
struct Difference {
  QString site;
  const FieldName* field;
  QString registered, tabled;
};

// The details the table has columns for, as the register holds them and as the row gives them.
QList<Difference> Differences(const SiteTable& table, const SiteRow& row, const InstallationFields& registered) {
  QList<Difference> found;
  for (const int column : table.detailColumns) {
    const FieldName& field = Fields[column + 1];  // after the site
    if (registered.*field.field != row.details.*field.field)
      found.append({row.site, &field, registered.*field.field, row.details.*field.field});
  }
  return found;
}

ExitStatus Import(Context& context, const QString& path) {
  const SiteTable table = LoadSiteTable(path);
  const bool update = context.options.update;
  RegisterKeeper keeper;
  Installations installations(SiteRegister::Open(keeper));
  QStringList added, updated;
  QList<Difference> differences;
  for (const SiteRow& row : table.rows) {
    try {
      const std::optional<Installation> known = installations.BySite(row.site);
      if (!known) {
        installations.Add(row.details, Technician::Name());
        added.append(row.site);
        continue;
      }
      const QList<Difference> found = Differences(table, row, known->fields);
      differences += found;
      if (found.isEmpty() || !update) continue;
      InstallationFields fields = known->fields;
      for (const Difference& d : found) fields.*d.field->field = d.tabled;
      installations.Edit(known->uuid, FieldEdit::Between(known->fields, fields), Technician::Name());
      updated.append(row.site);
    } catch (const RegisterFault& fault) {
      // Each row is taken on its own: those before it stay.
      throw CliError(ExitStatus::Error, QStringLiteral("%1:%2: %3; przed tym wierszem dodano instalacji: %4, zmieniono: %5")
                                            .arg(path).arg(row.line).arg(fault.message()).arg(added.size()).arg(updated.size()));
    }
  }
  const qsizetype known = table.rows.size() - added.size();
  Console& console = context.console;
  if (console.Json()) {
    QJsonArray array;
    for (const Difference& d : differences)
      array.append(QJsonObject{{QStringLiteral("site"), d.site}, {QStringLiteral("field"), QLatin1String(d.field->key)},
                               {QStringLiteral("register"), d.registered}, {QStringLiteral("table"), d.tabled}});
    console.Result(QJsonObject{{QStringLiteral("added"), QJsonArray::fromStringList(added)}, {QStringLiteral("known"), known},
                               {QStringLiteral("differences"), array}, {QStringLiteral("updated"), QJsonArray::fromStringList(updated)}});
    return ExitStatus::Done;
  }
  if (!differences.isEmpty()) {
    QList<QStringList> rows{{QStringLiteral("Obiekt"), QStringLiteral("Pole"), QStringLiteral("W rejestrze"), QStringLiteral("W tabeli")}};
    for (const Difference& d : differences)
      rows.append({Escaped(d.site), QLatin1String(d.field->key), u'"' + Escaped(d.registered) + u'"', u'"' + Escaped(d.tabled) + u'"'});
    for (const QString& line : AlignedColumns(rows)) console.Result(line);
  }
  console.Result(QStringLiteral("Dodano instalacji: %1, już w rejestrze: %2, zmieniono: %3").arg(added.size()).arg(known).arg(updated.size()));
  if (!differences.isEmpty() && !update)
    console.Info(QStringLiteral("Pola różne od rejestru zostały bez zmian; --update zmieni je na te z tabeli"));
  return ExitStatus::Done;
}

// Options that only one form takes.
void CheckForm(const CliOptions& options, const QString& form) {
  if (form != u"import" && options.update)
    throw CliError(ExitStatus::Usage, QStringLiteral("--update przyjmuje tylko sites import"));
  const bool editing = form == u"add" || form == u"edit";
  for (const FieldName& f : Fields)
    if (!editing && options.given.contains(QLatin1String(f.key)))
      throw CliError(ExitStatus::Usage, QStringLiteral("--%1 przyjmują tylko site add i site edit").arg(QLatin1String(f.key)));
  for (const char* name : {"changes", "show-secrets"})
    if (form != u"show" && options.given.contains(QLatin1String(name)))
      throw CliError(ExitStatus::Usage, QStringLiteral("--%1 przyjmuje tylko site show").arg(QLatin1String(name)));
}

}  // namespace

ExitStatus RunSites(Context& context) {
  const QStringList& arguments = context.options.arguments;
  if (arguments == QStringList{QStringLiteral("import")})
    throw CliError(ExitStatus::Usage, QStringLiteral("sites import: podaj tabelę: sites import TABELA.csv"));
  CheckForm(context.options, arguments.size() == 2 ? arguments[0] : QStringLiteral("sites"));
  if (arguments.size() == 2) {
    if (arguments[0] != u"import")
      throw CliError(ExitStatus::Usage, QStringLiteral("sites przyjmuje TEKST albo 'import TABELA.csv' (velt-cli --help)"));
    return Import(context, arguments[1]);
  }
  return Search(context, arguments.value(0));
}

ExitStatus RunSite(Context& context) {
  const QStringList& arguments = context.options.arguments;
  const QString form = arguments[0];
  CheckForm(context.options, form);
  if (form == u"assign") {
    if (arguments.size() != 3) throw CliError(ExitStatus::Usage, QStringLiteral("site assign ID @N (velt-cli --help)"));
    return Assign(context, arguments[1], arguments[2]);
  }
  if (arguments.size() != 2)
    throw CliError(ExitStatus::Usage, QStringLiteral("site %1 przyjmuje jeden identyfikator (velt-cli --help)").arg(form));
  if (form == u"show") return Show(context, arguments[1]);
  if (form == u"add") return Add(context, arguments[1]);
  if (form == u"edit") return Edit(context, arguments[1]);
  throw CliError(ExitStatus::Usage, QStringLiteral("site przyjmuje show, add, edit albo assign (velt-cli --help)"));
}
