#include "state_file.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QScopeGuard>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char FormatName[] = "velt-sim state 1";

bool FromHex(const QJsonValue& value, QByteArray* bytes) {
  if (!value.isString()) return false;
  const QByteArray hex = value.toString().toLatin1();
  if (hex.size() % 2 != 0) return false;
  for (char c : hex)
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  *bytes = QByteArray::fromHex(hex);
  return true;
}

bool Counter(const QJsonValue& value, quint8* counter) {
  const double n = value.toDouble(-1);
  if (!value.isDouble() || n < 0 || n > 255 || n != int(n)) return false;
  *counter = quint8(n);
  return true;
}

QString SystemError() { return QString::fromLocal8Bit(strerror(errno)); }

// Why what st describes cannot be a state file, or nothing when it can.
QString NotAStateFile(const struct stat& st) {
  if (S_ISREG(st.st_mode)) {
    if (st.st_size <= MaxStateFileSize) return {};
    return QStringLiteral("it holds %1 bytes, far more than a state file (at most %2)").arg(st.st_size).arg(MaxStateFileSize);
  }
  const char* kind = S_ISDIR(st.st_mode)    ? "a directory"
                     : S_ISCHR(st.st_mode)  ? "a character device"
                     : S_ISBLK(st.st_mode)  ? "a block device"
                     : S_ISFIFO(st.st_mode) ? "a named pipe"
                     : S_ISSOCK(st.st_mode) ? "a socket"
                                            : nullptr;
  if (!kind) return QStringLiteral("it is not a regular file");
  return QStringLiteral("it is not a regular file but %1").arg(QLatin1String(kind));
}

// Reads the whole file into bytes. A device is never opened (opening some has effects of its
// own); the descriptor is checked again, as the path may have changed in between.
StateFileLoad ReadStateFile(const QString& path, QByteArray* bytes, QString* error) {
  auto refuse = [error](const QString& why) {
    *error = why;
    return StateFileLoad::Refused;
  };
  const QByteArray name = QFile::encodeName(path);
  struct stat st {};
  if (::stat(name.constData(), &st) != 0) return errno == ENOENT ? StateFileLoad::Missing : refuse(SystemError());
  if (const QString why = NotAStateFile(st); !why.isEmpty()) return refuse(why);
  const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return refuse(SystemError());
  const auto closing = qScopeGuard([fd] { ::close(fd); });
  if (::fstat(fd, &st) != 0) return refuse(SystemError());
  if (const QString why = NotAStateFile(st); !why.isEmpty()) return refuse(why);
  // One byte more than allowed tells a file that grew meanwhile.
  bytes->resize(MaxStateFileSize + 1);
  qsizetype got = 0;
  while (got < bytes->size()) {
    const ssize_t n = ::read(fd, bytes->data() + got, size_t(bytes->size() - got));
    if (n == 0) break;
    if (n > 0)
      got += n;
    else if (errno != EINTR)
      return refuse(SystemError());
  }
  bytes->resize(got);
  if (got > MaxStateFileSize)
    return refuse(QStringLiteral("it has grown beyond %1 bytes, far more than a state file").arg(MaxStateFileSize));
  return StateFileLoad::Loaded;
}

}  // namespace

StateFileLoad LoadState(const QString& path, ControllerState* state, QString* error) {
  QByteArray bytes;
  if (const StateFileLoad read = ReadStateFile(path, &bytes, error); read != StateFileLoad::Loaded) return read;
  QJsonParseError parseError;
  const QJsonDocument doc = QJsonDocument::fromJson(bytes, &parseError);
  if (doc.isNull()) {
    *error = QStringLiteral("not valid JSON (%1 at byte %2)")
                 .arg(parseError.errorString())
                 .arg(parseError.offset);
    return StateFileLoad::Unusable;
  }
  const QJsonObject root = doc.object();
  if (root.value("format").toString() != FormatName) {
    *error = QStringLiteral("not a state file of this simulator (no \"format\": \"%1\")").arg(FormatName);
    return StateFileLoad::Unusable;
  }
  ControllerState loaded;
  if (!FromHex(root.value("password"), &loaded.password)) {
    *error = QStringLiteral("\"password\" is not a hexadecimal byte string");
    return StateFileLoad::Unusable;
  }
  const QJsonArray items = root.value("items").toArray();
  if (items.size() != Cmd::ItemCount) {
    *error = QStringLiteral("\"items\" must hold %1 hexadecimal byte strings").arg(Cmd::ItemCount);
    return StateFileLoad::Unusable;
  }
  for (int k = 0; k < Cmd::ItemCount; ++k) {
    QByteArray value;
    if (!FromHex(items[k], &value)) {
      *error = QStringLiteral("item %1 is not a hexadecimal byte string").arg(k);
      return StateFileLoad::Unusable;
    }
    loaded.items[k] = StoredItemValue(k, value);
  }
  if (!Counter(root.value("sms"), &loaded.smsToday) || !Counter(root.value("voice"), &loaded.voiceToday)) {
    *error = QStringLiteral("\"sms\" and \"voice\" must be counts from 0 to 255");
    return StateFileLoad::Unusable;
  }
  *state = loaded;
  return StateFileLoad::Loaded;
}

QString MoveAside(const QString& path, QString* error) {
  struct stat st {};
  if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) {
    *error = QStringLiteral("it is no longer a regular file");
    return {};
  }
  QString aside = path + QStringLiteral(".bad");
  for (int n = 1; QFileInfo::exists(aside) || QFileInfo(aside).isSymLink(); ++n)
    aside = path + QStringLiteral(".bad.%1").arg(n);
  // QFile::rename never replaces an existing file, so a name taken meanwhile is not lost.
  QFile file(path);
  if (!file.rename(aside)) {
    *error = file.errorString();
    return {};
  }
  return aside;
}

bool SaveState(const QString& path, const ControllerState& state, QString* error) {
  QJsonArray items;
  for (const QByteArray& value : state.items) items.append(QString::fromLatin1(value.toHex()));
  const QJsonObject root{
      {"format", FormatName},
      {"password", QString::fromLatin1(state.password.toHex())},
      {"items", items},
      {"sms", state.smsToday},
      {"voice", state.voiceToday},
  };
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(root).toJson()) < 0 || !file.commit()) {
    *error = file.errorString();
    return false;
  }
  return true;
}
