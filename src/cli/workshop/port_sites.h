#pragma once
// Which site goes to which controller when provisioning several at once is never guessed: each
// port's site comes from --site PORT=SITE pairs or from the site table's port column, and
// everything is settled before anything is sent.
#include <QByteArray>
#include <QList>

#include "site_table.h"

struct CliOptions;

// The row of each port's site, in the order of the ports. Throws CliError naming the port or
// the site: a port without a site, a site for two ports, a port for two sites, both ways at
// once or neither; Usage for the pairs of the command line, Error for the table.
QList<SiteRow> SitesOfPorts(const QList<QByteArray>& ports, const CliOptions& options);
