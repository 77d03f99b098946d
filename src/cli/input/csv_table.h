#pragma once
// A table in CSV as spreadsheets save it: UTF-8 (a byte-order mark is skipped), fields quoted
// with '"' where they hold the separator, a quote or a line break, "" for a quote inside. The
// separator is ',' or ';' (spreadsheets in Polish use ';'), whichever comes first in the
// header line. Blank lines are skipped.
#include <QByteArray>
#include <QList>
#include <QString>

struct CsvCell {
  QString text;
  int line = 0;    // 1-based, where the field starts
  int column = 0;  // 1-based field number
};
using CsvRow = QList<CsvCell>;

// Throws CliError (Error) as "NAME:LINE: kolumna COLUMN: reason".
QList<CsvRow> ParseCsv(const QByteArray& data, const QString& name);
