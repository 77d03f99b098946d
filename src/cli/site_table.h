#pragma once
// The table of per-site values for provisioning: a "site" column with each site's name and a
// column for each item key that varies between sites. The whole table is checked (columns,
// names, every value with the window's field rules) before anything is sent, so that a typing
// error in any row is found in the office rather than at the site.
#include <QString>

#include "item_transfer.h"

inline constexpr char SiteColumn[] = "site";

struct SiteRow {
  QString site;
  int line = 0;
  ItemValues values;  // one per key column, as typed (an empty cell is an empty value)
};

// The row of one site. Throws CliError (Error) naming the file, line, column and key.
SiteRow LoadSiteRow(const QString& path, const QString& site);
