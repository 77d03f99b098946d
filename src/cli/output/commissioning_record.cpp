#include "commissioning_record.h"

#include <QJsonDocument>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "atomic_write.h"
#include "console.h"
#include "file_name_part.h"
#include "make_folders.h"
#include "native_name.h"
#include "system_error.h"

namespace {

// Bytes of the site's part of a name: with the date, a suffix and ".json" it stays well within
// the 255 that file systems allow.
constexpr qsizetype SiteNameBytes = 200;
constexpr int MostSuffixes = 1000;

// A file name from the site's name, cut to fit when it is long.
QString FileStem(const CommissioningRecord& record) {
  QString name = FileNamePart(record.site);
  while (NameBytes(name).size() > SiteNameBytes) name.chop(1);
  return name + record.finished.toString(QStringLiteral("_yyyyMMdd-HHmmss"));
}

enum class Created { Yes, Taken };

Created Create(const QString& path, const QByteArray& data) {
  QString error;
  bool taken = false;
  if (CreateFileAtomically(path, data, &error, &taken)) return Created::Yes;
  if (taken) return Created::Taken;
  throw CliError(ExitStatus::Error, QStringLiteral("nie można zapisać pliku %1: %2").arg(path, SystemErrorText(errno)));
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
      QStringLiteral("Obiekt:            %1").arg(Escaped(site)),
      QStringLiteral("Data:              %1").arg(finished.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"))),
      QStringLiteral("Port:              %1").arg(port),
  };
  const QStringList state = StatusLines(status);
  lines << state.mid(0, 3);  // firmware, modem stage, signal
  lines << QStringLiteral("Weryfikacja:       %1").arg(outcome.Verification());
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
  const QByteArray name = NameBytes(folder);
  const auto fail = [&folder](const QString& why) {
    throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(folder, why));
  };
  struct stat info {};
  if (::stat(name.constData(), &info) == 0 && !S_ISDIR(info.st_mode)) fail(QStringLiteral("to nie jest folder"));
  if (const int error = MakeFolders(name, 0777))
    fail(QStringLiteral("nie można utworzyć folderu: %1").arg(SystemErrorText(error)));
  // A file really made there, since permissions alone do not tell a read-only mount.
  QByteArray probe = name + "/.velt-XXXXXX";
  const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
  if (fd < 0) fail(QStringLiteral("nie można tu zapisać protokołu: %1").arg(SystemErrorText(errno)));
  ::close(fd);
  ::unlink(probe.constData());
}

QStringList WriteRecord(const QString& folder, const CommissioningRecord& record) {
  const QString stem = InFolder(folder, FileStem(record));
  const QByteArray json = QJsonDocument(record.Json()).toJson(QJsonDocument::Indented);
  const QByteArray text = record.Text().toUtf8();
  // Both files or neither, under a name that no earlier record holds.
  for (int n = 1; n <= MostSuffixes; ++n) {
    const QString name = n == 1 ? stem : QStringLiteral("%1_%2").arg(stem).arg(n);
    const QStringList paths{name + QStringLiteral(".json"), name + QStringLiteral(".txt")};
    if (Create(paths[0], json) == Created::Taken) continue;
    try {
      if (Create(paths[1], text) == Created::Yes) return paths;
    } catch (const CliError&) {
      ::unlink(NameBytes(paths[0]).constData());
      throw;
    }
    ::unlink(NameBytes(paths[0]).constData());
  }
  throw CliError(ExitStatus::Error, QStringLiteral("%1: zajęte wszystkie nazwy protokołu").arg(stem));
}
