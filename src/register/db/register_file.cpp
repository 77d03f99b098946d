#include "register_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>

#include <cerrno>
#include <map>
#include <mutex>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "make_folders.h"
#include "native_name.h"
#include "register_fault.h"
#include "system_error.h"

namespace {

constexpr int HeaderSize = 100;
constexpr char Magic[] = "SQLite format 3";  // with its NUL, the first 16 bytes

quint32 Word(const QByteArray& header, int at) { return qFromBigEndian<quint32>(header.constData() + at); }

QString NotePath(const QString& path) { return path + QStringLiteral("-damaged"); }

// The file's device and inode as a note keeps them; empty when it cannot be looked at.
QByteArray Identity(const QString& path) {
  struct stat info {};
  if (::stat(NameBytes(path).constData(), &info) != 0) return {};
  return QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(quint64(info.st_ino));
}

// The register files this process holds, by device and inode, with the number of holds on each.
std::mutex heldLock;
std::map<std::pair<quint64, quint64>, int> held;

}  // namespace

namespace RegisterFile {

QString DefaultPath() {
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty() || !QDir::isAbsolutePath(data)) {
    // Not the root folder that a missing HOME would give.
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home)) return {};
    data = home + QStringLiteral("/.local/share");
  }
  return QDir::cleanPath(data + QStringLiteral("/velt/register.sqlite"));
}

void Prepare(const QString& path) {
  if (path.isEmpty())
    throw RegisterFault(RegisterFault::Kind::Unavailable,
                        QStringLiteral("Nie wiadomo, gdzie jest rejestr instalacji: nie ustawiono ani XDG_DATA_HOME, ani HOME"));
  const QByteArray name = NameBytes(path);
  if (const int error = MakeFolders(NameFolder(name), S_IRWXU))
    throw RegisterFault(RegisterFault::Kind::Unavailable,
                        QStringLiteral("Nie można utworzyć folderu rejestru instalacji %1: %2")
                            .arg(NameFromBytes(NameFolder(name)), SystemErrorText(error)));
  const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, S_IRUSR | S_IWUSR);
  if (fd >= 0) {
    ::close(fd);
    return;
  }
  if (errno == EEXIST) return;
  throw RegisterFault(RegisterFault::Kind::Unavailable,
                      QStringLiteral("Nie można utworzyć rejestru instalacji %1: %2").arg(path, SystemErrorText(errno)));
}

void CheckHeader(const QString& path) {
  const QFileInfo info(path);
  if (!info.isFile()) throw RegisterFault::Damage(path, QStringLiteral("to nie jest zwykły plik"));
  const qint64 size = info.size();
  if (size == 0) return;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    throw RegisterFault(RegisterFault::Kind::Unavailable,
                        QStringLiteral("Nie można otworzyć rejestru instalacji %1: %2").arg(path, file.errorString()));
  const QByteArray header = file.read(HeaderSize);
  if (header.size() < HeaderSize || !header.startsWith(QByteArrayView(Magic, sizeof Magic)))
    throw RegisterFault::Damage(path, QStringLiteral("plik nie jest bazą danych"));
  const quint16 sizeField = qFromBigEndian<quint16>(header.constData() + 16);
  const qint64 pageSize = sizeField == 1 ? 65536 : sizeField;
  // The page count is trusted only when written by the same change as the counter.
  const bool countValid = Word(header, 24) == Word(header, 92) && Word(header, 28) != 0;
  const QFileInfo log(path + QStringLiteral("-wal"));
  if (countValid && (!log.exists() || log.size() == 0) && pageSize * Word(header, 28) > size)
    throw RegisterFault::Damage(path, QStringLiteral("plik jest obcięty"));
}

void NoteDamage(const QString& path, const QString& reason) {
  const QByteArray identity = Identity(path);
  if (identity.isEmpty()) return;
  QSaveFile note(NotePath(path));
  if (note.open(QIODevice::WriteOnly) && note.write(identity + '\n' + reason.toUtf8() + '\n') > 0) note.commit();
}

void CheckDamageNote(const QString& path) {
  QFile note(NotePath(path));
  if (!note.open(QIODevice::ReadOnly)) return;
  const QByteArray identity = note.readLine(64).trimmed();
  if (identity.isEmpty() || identity != Identity(path)) return;
  const QString reason = QString::fromUtf8(note.readLine(4096).trimmed());
  throw RegisterFault::Damage(path, QStringLiteral("%1, stwierdzone wcześniej; po naprawie pliku usuń %2")
                                        .arg(reason, note.fileName()));
}

Hold::Hold(const QString& path) {
  const std::lock_guard lock(heldLock);
  Prepare(path);
  CheckDamageNote(path);
  struct stat info {};
  if (::stat(NameBytes(path).constData(), &info) != 0)
    throw RegisterFault(RegisterFault::Kind::Unavailable,
                        QStringLiteral("Nie można otworzyć rejestru instalacji %1: %2").arg(path, SystemErrorText(errno)));
  device_ = info.st_dev;
  inode_ = info.st_ino;
  int& holds = held[{device_, inode_}];
  if (holds == 0) {
    try {
      CheckHeader(path);
    } catch (...) {
      held.erase({device_, inode_});
      throw;
    }
  }
  ++holds;
}

Hold::~Hold() {
  const std::lock_guard lock(heldLock);
  const auto it = held.find({device_, inode_});
  if (it != held.end() && --it->second == 0) held.erase(it);
}

}  // namespace RegisterFile
