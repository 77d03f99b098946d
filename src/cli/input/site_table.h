#pragma once
// The table of per-site values for provisioning: a "site" column with each site's name and a
// column for each item key that varies between sites. The whole table is checked (columns,
// names, every value with the window's field rules) before anything is sent, so that a typing
// error in any row is found in the office rather than at the site.
#include <QString>

#include "installations.h"
#include "item_transfer.h"

// An optional "port" column names the port of each site's controller, for provisioning
// several at once; a cell may be empty (a site not served this time).
inline constexpr char SiteColumn[] = "site";
inline constexpr char PortColumn[] = "port";
// Optional columns that describe the site for the installations register.
inline constexpr const char* DetailColumns[] = {"name", "address", "contact", "notes"};

struct SiteRow {
  QString site;  // in Unicode's composed form (site_id.h)
  int line = 0;
  QString port;       // as typed in the port column; empty without one
  ItemValues values;  // one per key column, as typed (an empty cell is an empty value)
  InstallationFields details;  // the site and the detail columns there are, trimmed
};

struct SiteTable {
  bool hasPortColumn = false;
  QList<SiteRow> rows;
  QList<int> detailColumns;  // of DetailColumns, those the table has
};

// Every row, each checked, a site's ID as site_id.h asks. Throws CliError (Error) naming the file,
// line, column and key.
SiteTable LoadSiteTable(const QString& path);
// The row of one site. Throws CliError (Error) as LoadSiteTable, or when there is none.
SiteRow LoadSiteRow(const QString& path, const QString& site);
