#include "commissioning_record.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>

#include "atomic_write.h"

namespace {

QString VerificationText(const WriteOutcome& outcome) {
  if (!outcome.differences) return QStringLiteral("nie wykonana");
  if (outcome.differences->isEmpty()) return QStringLiteral("zgodna");
  return QStringLiteral("NIEZGODNA, różnice w pozycjach: %1").arg(outcome.differences->size());
}

// A file name from the site's name: letters, digits, '-', '_' and '.'; anything else becomes '_'.
QString FileStem(const CommissioningRecord& record) {
  QString name = record.site;
  for (QChar& c : name)
    if (!c.isLetterOrNumber() && c != u'-' && c != u'_' && c != u'.') c = u'_';
  if (name.startsWith(u'.')) name[0] = u'_';
  return name + record.finished.toString(QStringLiteral("_yyyyMMdd-HHmmss"));
}

void Write(const QString& path, const QByteArray& data) {
  QString error;
  if (!WriteFileAtomically(path, data, &error)) throw CliError(ExitStatus::Error, error);
}

}  // namespace

QJsonObject CommissioningRecord::Json() const {
  QJsonObject object = StatusJson(status);
  object.insert(QStringLiteral("site"), site);
  // With the offset from UTC: records are compared across sites and seasons.
  object.insert(QStringLiteral("date"), finished.toOffsetFromUtc(finished.offsetFromUtc()).toString(Qt::ISODate));
  object.insert(QStringLiteral("port"), port);
  object.insert(QStringLiteral("template"), templatePath);
  object.insert(QStringLiteral("sites"), sitesPath);
  object.insert(QStringLiteral("sites_line"), sitesLine);
  object.insert(QStringLiteral("items"), Keyed::Json(values));
  outcome.AddTo(object);
  return object;
}

QString CommissioningRecord::Text() const {
  QStringList lines{
      QStringLiteral("PROTOKÓŁ URUCHOMIENIA STEROWNIKA VELT"),
      QString(),
      QStringLiteral("Obiekt:            %1").arg(site),
      QStringLiteral("Data:              %1").arg(finished.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
      QStringLiteral("Port:              %1").arg(port),
  };
  const QStringList state = StatusLines(status);
  lines << state.mid(0, 3);  // firmware, modem stage, signal
  lines << QStringLiteral("Weryfikacja:       %1").arg(VerificationText(outcome));
  lines << QStringLiteral("Szablon:           %1").arg(templatePath);
  lines << QStringLiteral("Tabela obiektów:   %1, wiersz %2").arg(sitesPath).arg(sitesLine);
  lines << QString() << QStringLiteral("Konfiguracja:");
  for (const QString& line : Keyed::Lines(values)) lines << QStringLiteral("  ") + line;
  if (outcome.differences && !outcome.differences->isEmpty()) {
    lines << QString() << QStringLiteral("Różnice po odczycie:");
    for (const Keyed::Difference& d : *outcome.differences)
      lines << QStringLiteral("  ") + Keyed::DifferenceLine(d, QStringLiteral("zapisano"), QStringLiteral("odczytano"));
  }
  return lines.join(u'\n') + u'\n';
}

void CheckRecordFolder(const QString& folder) {
  const QFileInfo info(folder);
  const auto fail = [&folder](const QString& why) { throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(folder, why)); };
  if (info.exists() && !info.isDir()) fail(QStringLiteral("to nie jest folder"));
  if (!info.exists() && !QDir().mkpath(folder)) fail(QStringLiteral("nie można utworzyć folderu"));
  if (!QFileInfo(folder).isWritable()) fail(QStringLiteral("brak prawa zapisu"));
}

QStringList WriteRecord(const QString& folder, const CommissioningRecord& record) {
  const QString stem = QDir(folder).filePath(FileStem(record));
  const QStringList paths{stem + QStringLiteral(".json"), stem + QStringLiteral(".txt")};
  Write(paths[0], QJsonDocument(record.Json()).toJson(QJsonDocument::Indented));
  Write(paths[1], record.Text().toUtf8());
  return paths;
}
