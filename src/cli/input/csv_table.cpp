#include "csv_table.h"

#include <QStringDecoder>

#include "cli_error.h"

namespace {

[[noreturn]] void Fail(const QString& name, int line, int column, const QString& why) {
  const QString place = column > 0 ? QStringLiteral("%1:%2: kolumna %3").arg(name).arg(line).arg(column)
                                   : QStringLiteral("%1:%2").arg(name).arg(line);
  throw CliError(ExitStatus::Error, place + QStringLiteral(": ") + why);
}

QString DecodeUtf8(const QByteArray& data, const QString& name) {
  const QList<QByteArray> lines = data.split('\n');
  QString text;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString line = decoder(lines[i]);
    if (decoder.hasError())
      Fail(name, int(i + 1), 0, QStringLiteral("to nie jest tekst UTF-8 (zapisz tabelę jako \"CSV UTF-8\")"));
    if (i > 0) text += u'\n';
    text += line;
  }
  if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
  text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  return text;
}

QChar SeparatorOf(const QString& text) {
  bool quoted = false;
  for (QChar c : text) {
    if (c == u'"') quoted = !quoted;
    else if (!quoted && (c == u',' || c == u';')) return c;
    else if (!quoted && c == u'\n') break;
  }
  return u',';
}

}  // namespace

QList<CsvRow> ParseCsv(const QByteArray& data, const QString& name) {
  const QString text = DecodeUtf8(data, name);
  const QChar separator = SeparatorOf(text);
  QList<CsvRow> rows;
  CsvRow row;
  CsvCell cell{QString(), 1, 1};
  int line = 1;
  bool quoted = false, closed = false;
  const auto endCell = [&] {
    row.append(cell);
    cell = CsvCell{QString(), line, int(row.size()) + 1};
    closed = false;
  };
  const auto endRow = [&] {
    const bool blank = row.size() == 1 && row.front().text.isEmpty();
    if (!blank) rows.append(row);
    row.clear();
    cell.column = 1;
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const QChar c = text[i];
    if (quoted) {
      if (c == u'"' && i + 1 < text.size() && text[i + 1] == u'"') {
        cell.text += c;
        ++i;
      } else if (c == u'"') {
        quoted = false;
        closed = true;
      } else {
        if (c == u'\n') ++line;
        cell.text += c;
      }
      continue;
    }
    if (c == separator) {
      endCell();
    } else if (c == u'\n') {
      ++line;
      endCell();
      endRow();
      cell.line = line;
    } else if (c == u'"') {
      if (closed || !cell.text.isEmpty())
        Fail(name, line, cell.column, QStringLiteral("cudzysłów w środku pola (pole z cudzysłowem ujmij całe w \"...\" i podwój cudzysłów)"));
      quoted = true;
    } else {
      if (closed) Fail(name, line, cell.column, QStringLiteral("znaki za zamykającym cudzysłowem"));
      cell.text += c;
    }
  }
  if (quoted) Fail(name, cell.line, cell.column, QStringLiteral("cudzysłów otwarty i niezamknięty"));
  if (!cell.text.isEmpty() || closed || !row.isEmpty()) {
    endCell();
    endRow();
  }
  return rows;
}
