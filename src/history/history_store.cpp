#include "history_store.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "atomic_write.h"
#include "file_check.h"
#include "make_folders.h"
#include "system_error.h"

namespace {

constexpr int MostCopies = 9999;  // of one millisecond; the name has room for four digits
constexpr mode_t FolderMode = S_IRWXU;

// The smallest file the encoder makes (every text empty): a velt name on anything shorter is
// damaged.
qsizetype SmallestFile() {
  static const qsizetype size = EncodeConfigFile(ConfigFile{}).size();
  return size;
}

// Whether a regular file of `size` bytes in the folder loads as a configuration file, as the
// window and velt-cli load it. Opened by the folder's descriptor and read to the size the listing
// already knows: the fewest system calls, for a folder of thousands.
bool Loads(int folder, const char* name, qsizetype size) {
  const int fd = ::openat(folder, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  QByteArray bytes(size, Qt::Uninitialized);
  qsizetype got = 0;
  while (got < size) {
    const ssize_t n = ::read(fd, bytes.data() + got, size_t(size - got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    got += n;
  }
  ::close(fd);
  return got == size && FileCheck::Check(bytes, ConfigFileFormat::ConfigSignature).good() && DecodeConfigFile(bytes);
}

qint64 Nanoseconds(const timespec& time) { return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec; }

bool Newer(const ListedEntry& a, const ListedEntry& b) {
  if (a.keptNs != b.keptNs) return a.keptNs > b.keptNs;
  if (a.name.msSinceEpoch != b.name.msSinceEpoch) return a.name.msSinceEpoch > b.name.msSinceEpoch;
  if (a.name.copy != b.name.copy) return a.name.copy > b.name.copy;
  return a.fileName > b.fileName;
}

// The history folder, open for reading when it is there and velt may use it.
class OpenFolder {
 public:
  explicit OpenFolder(const QString& path) : path_(path) {
    if (path.isEmpty()) {
      why_ = QStringLiteral("nie ustawiono HOME ani XDG_DATA_HOME");
      return;
    }
    const QByteArray name = QFile::encodeName(path);
    // Not through a link: the folder and its mode are the owner's own, not another's it points at.
    const int fd = ::open(name.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      const int code = errno;
      struct stat info {};
      if (code == ENOENT) return;
      const bool there = ::lstat(name.constData(), &info) == 0;
      why_ = path + QStringLiteral(": ") +
             (there && S_ISLNK(info.st_mode)  ? QStringLiteral("to jest dowiązanie symboliczne, nie folder")
              : there && !S_ISDIR(info.st_mode) ? QStringLiteral("to nie jest folder")
                                                : SystemErrorText(code));
      return;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || info.st_uid != ::geteuid()) {
      why_ = path + QStringLiteral(": folder należy do innego użytkownika");
      ::close(fd);
      return;
    }
    dir_ = ::fdopendir(fd);
    if (!dir_) {
      why_ = path + QStringLiteral(": ") + SystemErrorText(errno);
      ::close(fd);
    }
  }
  ~OpenFolder() {
    if (dir_) ::closedir(dir_);
  }
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;

  DIR* get() const { return dir_; }
  // Why the folder cannot be used; empty when it is open or is not there.
  const QString& Why() const { return why_; }

  // The entries velt named there, in no order; false with Why() set when the folder cannot be read.
  // check: each regular file read to tell whether it loads, else only by its size.
  bool Read(QList<ListedEntry>* entries, bool check) {
    const int fd = ::dirfd(dir_);
    for (;;) {
      errno = 0;
      const dirent* found = ::readdir(dir_);
      if (!found) break;
      // Every velt name starts so; the other names are passed by without a closer look.
      if (std::strncmp(found->d_name, "velt_", 5) != 0) continue;
      const QString fileName = QFile::decodeName(found->d_name);
      std::optional<EntryName> name = ParseEntryFileName(fileName);
      if (!name) continue;
      ListedEntry entry{fileName, std::move(*name)};
      struct stat info {};
      if (::fstatat(fd, found->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        entry.regular = S_ISREG(info.st_mode);
        entry.keptNs = Nanoseconds(info.st_mtim);
        entry.readable = entry.regular && info.st_size >= SmallestFile() && info.st_size <= ConfigFileFormat::MaxSize &&
                         (!check || Loads(fd, found->d_name, info.st_size));
      }
      entries->append(std::move(entry));
    }
    if (errno == 0) return true;
    why_ = path_ + QStringLiteral(": ") + SystemErrorText(errno);
    return false;
  }

 private:
  const QString path_;
  DIR* dir_ = nullptr;
  QString why_;
};

// Sets the file's modification time after `afterNs`, in a step the file system keeps (some keep
// whole seconds, or two).
void StampAfter(const QByteArray& path, qint64 afterNs) {
  for (const qint64 step : {qint64(1'000'000), qint64(2'000'000'000)}) {
    const qint64 ns = afterNs + step;
    const timespec times[2] = {{0, UTIME_OMIT}, {time_t(ns / 1'000'000'000), long(ns % 1'000'000'000)}};
    struct stat info {};
    if (::utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) != 0 || ::lstat(path.constData(), &info) != 0 ||
        Nanoseconds(info.st_mtim) > afterNs)
      return;
  }
}

}  // namespace

HistoryStore::HistoryStore(QString folder, int bound) : folder_(std::move(folder)), bound_(bound) {}

QString HistoryStore::DefaultFolder() {
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty() || !QDir::isAbsolutePath(data)) {
    // Not the root folder that a missing HOME would give.
    const QString home = qEnvironmentVariable("HOME");
    if (home.isEmpty() || !QDir::isAbsolutePath(home)) return {};
    data = home + QStringLiteral("/.local/share");
  }
  return QDir::cleanPath(data + QStringLiteral("/velt/history"));
}

QString HistoryStore::PathOf(const QString& fileName) const { return folder_ + u'/' + fileName; }

std::optional<QString> HistoryStore::Keep(const EntryLabel& label, const ConfigFile& file, QString* failure,
                                          QByteArrayView note) const {
  // New folders are the owner's only; one that is there keeps its mode.
  if (const int error = folder_.isEmpty() ? 0 : MakeFolders(QFile::encodeName(folder_), FolderMode)) {
    *failure = folder_ + QStringLiteral(": ") + SystemErrorText(error);
    return std::nullopt;
  }
  if (const OpenFolder folder(folder_); !folder.get()) {
    *failure = folder.Why().isEmpty() ? folder_ + QStringLiteral(": ") + SystemErrorText(ENOENT) : folder.Why();
    return std::nullopt;
  }

  const QByteArray bytes = EncodeConfigFile(file);
  for (int copy = 1; copy <= MostCopies; ++copy) {
    const QString name = EntryFileName(label, copy);
    QString error;
    bool taken = false;
    if (CreateFileAtomically(PathOf(name), bytes, &error, &taken)) {
      // Replacing a note left by an entry of this name that is gone.
      if (!note.isEmpty()) WriteFileAtomically(PathOf(name + QLatin1String(NoteSuffix)), note, &error);
      Settle(name);
      return name;
    }
    if (!taken) {
      *failure = PathOf(name) + QStringLiteral(": ") + SystemErrorText(errno);
      return std::nullopt;
    }
  }
  *failure = folder_ + QStringLiteral(": ") + SystemErrorText(EEXIST);
  return std::nullopt;
}

std::optional<QByteArray> HistoryStore::Note(const QString& fileName) const {
  constexpr qint64 Largest = 65536;  // far more than any note
  QFile note(PathOf(fileName + QLatin1String(NoteSuffix)));
  if (!note.open(QIODevice::ReadOnly)) return std::nullopt;
  return note.read(Largest);
}

QList<ListedEntry> HistoryStore::List(QString* error) const { return Sorted(true, error); }

QList<ListedEntry> HistoryStore::Sorted(bool check, QString* error) const {
  error->clear();
  QList<ListedEntry> entries;
  OpenFolder folder(folder_);
  if (folder.get() && !folder.Read(&entries, check)) entries.clear();
  if (!folder.Why().isEmpty()) {
    *error = QStringLiteral("Nie można odczytać historii konfiguracji (%1)").arg(folder.Why());
    return {};
  }
  std::sort(entries.begin(), entries.end(), Newer);
  return entries;
}

void HistoryStore::Settle(const QString& kept) const {
  QString error;
  // The bound needs no entry read.
  QList<ListedEntry> entries = Sorted(false, &error);
  const auto isKept = [&kept](const ListedEntry& e) { return e.fileName == kept; };
  const auto newest = std::find_if(entries.begin(), entries.end(), [&](const ListedEntry& e) { return e.regular && !isKept(e); });
  const auto entry = std::find_if(entries.begin(), entries.end(), isKept);
  if (entry == entries.end()) return;
  // Behind another entry: the clock was set back, or both fell in one tick of the file times.
  if (newest != entries.end() && entry->keptNs <= newest->keptNs)
    StampAfter(QFile::encodeName(PathOf(kept)), newest->keptNs);
  // The new entry first, whatever its stamp: it is never the one removed.
  std::rotate(entries.begin(), entry, entry + 1);
  for (qsizetype i = bound_; i < entries.size(); ++i)
    if (entries[i].regular && !isKept(entries[i])) {
      ::unlink(QFile::encodeName(PathOf(entries[i].fileName)).constData());
      ::unlink(QFile::encodeName(PathOf(entries[i].fileName + QLatin1String(NoteSuffix))).constData());
    }
}
