#pragma once
// A table's columns as wide as what they hold while they all fit. When they do not, the widest
// give way first, to one common width, so that a short column is never cut while a long one
// keeps room it does not need; an empty column takes no more than its title. Short columns are
// never cut at all: a table whose short columns alone do not fit scrolls.
#include <QList>

class QTableView;

// The widths for columns of these natural widths in room: unchanged when they fit, else the
// widest cut to the width that fills room exactly, but none cut below floor.
QList<int> FitWidths(const QList<int>& natural, int room, int floor);

// Fits the table's columns to their contents now, and again whenever the table's width changes.
void FitColumnsToContents(QTableView* table);
