#pragma once
// The installations as the shared register holds them: what a search lists, each installation's
// edits, and what it derives from them and from its configurations after a computer sent some.
#include <QList>
#include <QString>

#include "installation_changes.h"
#include "installations.h"

class SharedStore;

namespace SharedInstallations {

// As Installations::Search, with the text found anywhere in the search text.
QList<ListedInstallation> Search(SharedStore& store, const QString& text, int limit, qint64 offset = 0);

QList<InstallationEdit> Edits(SharedStore& store, const QString& installation);

// Each field as its newest change left it, and the newest configuration, on the installation's
// row. Rows are taken in the order given, so that two computers refreshing the same ones never
// wait for each other in a circle: pass them sorted.
void Refresh(SharedStore& store, const QStringList& sortedInstallations);

}  // namespace SharedInstallations
