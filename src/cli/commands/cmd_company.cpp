// company: the installer company's details that head every report; company set --name ...:
// the fields given changed, kept in the register as edits.
#include <QJsonObject>

#include "command_line.h"
#include "command_table.h"
#include "company_details.h"
#include "console.h"
#include "register_fault.h"
#include "site_register.h"
#include "technician.h"
#include "text_file.h"

namespace {

// A PNG or a JPEG, by its first bytes: the report draws nothing else.
QByteArray LogoFile(const QString& path) {
  const QByteArray bytes = ReadTextFile(path);
  if (bytes.startsWith("\x89PNG\r\n\x1a\n") || bytes.startsWith("\xFF\xD8\xFF")) return bytes;
  throw CliError(ExitStatus::Usage, QStringLiteral("%1: logo musi być obrazem PNG albo JPEG").arg(path));
}

ExitStatus Show(Context& context, const CompanyDetails& details) {
  const QList<std::pair<const char*, QString>> fields{{"name", details.name},   {"address", details.address},
                                                      {"phone", details.phone}, {"email", details.email},
                                                      {"tax_id", details.taxId}};
  const QString logo = details.logo.isEmpty() ? QString() : QStringLiteral("%1 B").arg(details.logo.size());
  if (context.console.Json()) {
    QJsonObject json;
    for (const auto& [key, value] : fields) json.insert(QLatin1String(key), value);
    json.insert(QStringLiteral("logo_bytes"), details.logo.size());
    context.console.Result(json);
    return ExitStatus::Done;
  }
  for (const auto& [key, value] : fields) context.console.Result(QStringLiteral("%1=%2").arg(QLatin1String(key), Escaped(value)));
  context.console.Result(QStringLiteral("logo=%1").arg(logo));
  return ExitStatus::Done;
}

}  // namespace

ExitStatus RunCompany(Context& context) {
  const CliOptions& options = context.options;
  const QStringList& arguments = options.arguments;
  const bool set = !arguments.isEmpty();
  if (set && arguments.front() != u"set")
    throw CliError(ExitStatus::Usage, QStringLiteral("company przyjmuje tylko 'set' (velt-cli --help)"));
  CompanyEdit edit;
  const auto given = [&](const char* name) { return options.given.contains(QLatin1String(name)); };
  if (given("name")) edit.name = options.fields.name;
  if (given("address")) edit.address = options.fields.address;
  if (given("phone")) edit.phone = options.phone;
  if (given("email")) edit.email = options.email;
  if (given("tax-id")) edit.taxId = options.taxId;
  if (given("logo")) edit.logo = LogoFile(options.logo);
  const bool changes = edit.name || edit.address || edit.phone || edit.email || edit.taxId || edit.logo;
  if (set && !changes)
    throw CliError(ExitStatus::Usage, QStringLiteral("company set: podaj co najmniej jedno z --name, --address, --phone, --email, --tax-id, --logo"));
  if (!set && changes) throw CliError(ExitStatus::Usage, QStringLiteral("dane firmy zmienia company set"));
  RegisterKeeper keeper;
  try {
    CompanyRegister company(SiteRegister::Open(keeper));
    if (set) company.Edit(edit, Technician::Name());
    return Show(context, company.Current());
  } catch (const RegisterFault& fault) {
    throw CliError(ExitStatus::Error, fault.message());
  }
}
