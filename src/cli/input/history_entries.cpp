#include "history_entries.h"

#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>

#include "cli_error.h"
#include "config_source.h"
#include "console.h"
#include "native_name.h"
#include "register_fault.h"
#include "register_keeper.h"
#include "register_view.h"
#include "system_error.h"
#include "site_register.h"

namespace HistoryEntries {
namespace {

// The history folder's entries come into the register as it opens. A folder that is there but
// cannot be listed (a file in its place, no permission) holds entries the register never got:
// a history without them would look whole.
void TellNotImported(const QString& folder, Console& console) {
  const QByteArray name = NameBytes(folder);
  struct stat info {};
  QString why;
  if (::stat(name.constData(), &info) != 0) {
    if (errno == ENOENT) return;
    why = SystemErrorText(errno);
  } else if (!S_ISDIR(info.st_mode)) {
    why = QStringLiteral("to nie jest folder");
  } else if (DIR* listed = ::opendir(name.constData())) {
    ::closedir(listed);
    return;
  } else {
    why = SystemErrorText(errno);
  }
  console.Warn(QStringLiteral("nie można zaimportować wpisów z folderu historii %1: %2").arg(folder, why));
}

}  // namespace

namespace {

// With a shared register chosen, how current this computer's replica is.
void TellFreshness(RegisterKeeper& keeper, Console& console) {
  const std::optional<SharedTarget> shared = RegisterChoice::Current().shared;
  QString ignored;
  RegisterStore* store = shared ? keeper.Store(&ignored) : nullptr;
  if (!store) return;
  try {
    const QString notice = RegisterView(*store, shared).Freshness().notice;
    if (!notice.isEmpty()) console.Warn(notice);
  } catch (const RegisterFault&) {
    // The listing itself read the register: its notes not read change nothing listed.
  }
}

}  // namespace

HistoryListing Listed(RegisterKeeper& keeper, Console& console, const ConfigurationScope& scope) {
  HistoryListing listing = RegisterHistory::List(keeper, scope);
  if (!listing.error.isEmpty()) throw CliError(ExitStatus::Error, listing.error);
  if (!listing.warning.isEmpty())
    console.Warn(QStringLiteral("%1; historia z folderu %2").arg(listing.warning, listing.place));
  else {
    TellNotImported(keeper.HistoryFolder(), console);
    TellFreshness(keeper, console);
  }
  return listing;
}

ConfigurationScope ScopeOf(RegisterKeeper& keeper, const QString& site) {
  if (site.isEmpty()) return {};
  return ConfigurationScope::Of(SiteRegister::OfSite(SiteRegister::Open(keeper), site).uuid);
}

const HistoryRow& Numbered(const QList<HistoryRow>& rows, const QString& number) {
  bool ok = false;
  const qsizetype n = number == u"latest" ? 1 : number.toLongLong(&ok);
  if (number != u"latest" && (!ok || n < 1 || !number.front().isDigit()))
    throw CliError(ExitStatus::Usage, QStringLiteral("'%1' nie jest numerem wpisu historii: podaj numer z velt-cli history "
                                                     "albo latest").arg(number));
  if (n > rows.size())
    throw CliError(ExitStatus::Error, QStringLiteral("nie ma wpisu %1 w historii konfiguracji (wpisów: %2)")
                                          .arg(number).arg(rows.size()));
  return rows[n - 1];
}

ConfigFile Load(RegisterKeeper& keeper, const HistoryRow& row) {
  QString error;
  if (std::optional<ConfigFile> file = RegisterHistory::Load(keeper, row, &error)) return *file;
  throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(row.listed.fileName, error));
}

ConfigFile LoadFileOrEntry(const QString& argument, Console& console, const QString& site) {
  if (!argument.startsWith(u'@')) return LoadConfigFile(argument);
  RegisterKeeper keeper;
  const HistoryListing listing = Listed(keeper, console, ScopeOf(keeper, site));
  return Load(keeper, Numbered(listing.rows, argument.mid(1)));
}

}  // namespace HistoryEntries
