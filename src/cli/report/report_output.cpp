#include "report_output.h"

#include <QRegularExpression>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include "atomic_write.h"
#include "cli_error.h"
#include "config_source.h"
#include "native_name.h"
#include "system_error.h"

namespace {

constexpr qint64 LastEpoch = 253402300799;  // 9999-12-31 23:59:59 UTC

bool IsLink(const QString& path) {
  struct stat info {};
  return ::lstat(NameBytes(path).constData(), &info) == 0 && S_ISLNK(info.st_mode);
}

// A link whose end is a device or a FIFO is a stream to write into, not a file to replace.
bool IsLinkToFile(const QString& path) {
  struct stat target {};
  return IsLink(path) && !(::stat(NameBytes(path).constData(), &target) == 0 && IsStreamMode(target.st_mode));
}

bool SameFile(const QString& a, const QString& b, int (*look)(const char*, struct stat*)) {
  struct stat first {}, second {};
  return look(NameBytes(a).constData(), &first) == 0 && look(NameBytes(b).constData(), &second) == 0 &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

}  // namespace

void CheckReportOutput(const QString& output, const QString& source, bool force) {
  const auto fail = [&output](const QString& why) { throw CliError(ExitStatus::Error, QStringLiteral("%1: %2").arg(output, why)); };
  // Either name may be a link to the other's file.
  if (!source.startsWith(u'@') && (SameFile(output, source, ::stat) || SameFile(output, source, ::lstat)))
    fail(QStringLiteral("to plik źródłowy raportu; raport go nie zastąpi, także z --force"));
  if (IsLinkToFile(output)) {
    if (!force) fail(QStringLiteral("to dowiązanie symboliczne; --force zastąpi samo dowiązanie, nie plik, na który wskazuje"));
    const QByteArray folder = NameFolder(NameBytes(output));
    if (::access(folder.constData(), W_OK) != 0)
      fail(QStringLiteral("brak prawa zapisu w folderze %1").arg(NameFromBytes(folder)));
    return;
  }
  CheckCanSave(output, force, ExistingFile::Kept);
}

void SaveReport(const QString& output, QByteArrayView pdf) {
  if (!IsLinkToFile(output)) return SaveOutputFile(output, pdf);
  QString error;
  if (!WriteFileAtomically(output, pdf, &error, LinkRule::ReplaceLink))
    throw CliError(ExitStatus::Error, QStringLiteral("nie można zapisać pliku %1: %2").arg(output, SystemErrorText(errno)));
}

std::optional<QDateTime> SourceDateEpoch() {
  if (!qEnvironmentVariableIsSet("SOURCE_DATE_EPOCH")) return std::nullopt;
  const QString text = qEnvironmentVariable("SOURCE_DATE_EPOCH");
  static const QRegularExpression digits(QStringLiteral("^[0-9]{1,12}$"));
  const qint64 epoch = digits.match(text).hasMatch() ? text.toLongLong() : -1;
  if (epoch < 0 || epoch > LastEpoch)
    throw CliError(ExitStatus::Usage, QStringLiteral("SOURCE_DATE_EPOCH: potrzebna całkowita liczba sekund od 0 do %1, jest '%2'")
                                          .arg(LastEpoch).arg(text));
  return QDateTime::fromSecsSinceEpoch(epoch, Qt::UTC);
}
