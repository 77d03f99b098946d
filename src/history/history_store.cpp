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
#include "make_folders.h"

namespace {

constexpr int MostCopies = 9999;  // of one millisecond; the name has room for four digits
constexpr mode_t FolderMode = S_IRWXU;

// The smallest file the encoder makes (every text empty): a velt name on anything shorter is
// damaged.
qsizetype SmallestFile() {
  static const qsizetype size = EncodeConfigFile(ConfigFile{}).size();
  return size;
}

bool Newer(const ListedEntry& a, const ListedEntry& b) {
  if (a.name.msSinceEpoch != b.name.msSinceEpoch) return a.name.msSinceEpoch > b.name.msSinceEpoch;
  if (a.name.copy != b.name.copy) return a.name.copy > b.name.copy;
  return a.fileName > b.fileName;
}

class OpenFolder {
 public:
  explicit OpenFolder(const QString& path) : dir_(::opendir(QFile::encodeName(path).constData())) {}
  ~OpenFolder() {
    if (dir_) ::closedir(dir_);
  }
  OpenFolder(const OpenFolder&) = delete;
  OpenFolder& operator=(const OpenFolder&) = delete;
  DIR* get() const { return dir_; }

 private:
  DIR* dir_;
};

}  // namespace

HistoryStore::HistoryStore(QString folder, int bound) : folder_(std::move(folder)), bound_(bound) {}

QString HistoryStore::DefaultFolder() {
  QString data = qEnvironmentVariable("XDG_DATA_HOME");
  if (data.isEmpty() || !QDir::isAbsolutePath(data)) data = QDir::homePath() + QStringLiteral("/.local/share");
  return QDir::cleanPath(data + QStringLiteral("/velt/history"));
}

QString HistoryStore::PathOf(const QString& fileName) const { return folder_ + u'/' + fileName; }

std::optional<QString> HistoryStore::Keep(const EntryLabel& label, const ConfigFile& file, KeepFailure* failure) const {
  const QByteArray folder = QFile::encodeName(folder_);
  if (const int error = MakeFolders(folder, FolderMode)) {
    *failure = {folder_, error};
    return std::nullopt;
  }
  // A folder made by an older copy, or by hand, is closed to others too.
  struct stat info {};
  if (::stat(folder.constData(), &info) == 0 && (info.st_mode & 0777) != FolderMode && info.st_uid == ::getuid())
    ::chmod(folder.constData(), FolderMode);

  const QByteArray bytes = EncodeConfigFile(file);
  for (int copy = 1; copy <= MostCopies; ++copy) {
    const QString name = EntryFileName(label, copy);
    QString error;
    bool taken = false;
    if (CreateFileAtomically(PathOf(name), bytes, &error, &taken)) {
      RemoveBeyondBound();
      return name;
    }
    if (!taken) {
      *failure = {PathOf(name), errno};
      return std::nullopt;
    }
  }
  *failure = {folder_, EEXIST};
  return std::nullopt;
}

QList<ListedEntry> HistoryStore::List() const {
  QList<ListedEntry> entries;
  const OpenFolder folder(folder_);
  if (!folder.get()) return entries;
  const int fd = ::dirfd(folder.get());
  while (const dirent* found = ::readdir(folder.get())) {
    // Every velt name starts so; the other names are passed by without a closer look.
    if (std::strncmp(found->d_name, "velt_", 5) != 0) continue;
    const QString fileName = QFile::decodeName(found->d_name);
    std::optional<EntryName> name = ParseEntryFileName(fileName);
    if (!name) continue;
    ListedEntry entry{fileName, std::move(*name)};
    struct stat info {};
    if (::fstatat(fd, found->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
      entry.regular = S_ISREG(info.st_mode);
      entry.readable = entry.regular && info.st_size >= SmallestFile() && info.st_size <= ConfigFileFormat::MaxSize;
    }
    entries.append(std::move(entry));
  }
  std::sort(entries.begin(), entries.end(), Newer);
  return entries;
}

void HistoryStore::RemoveBeyondBound() const {
  const QList<ListedEntry> entries = List();
  for (qsizetype i = bound_; i < entries.size(); ++i)
    if (entries[i].regular) ::unlink(QFile::encodeName(PathOf(entries[i].fileName)).constData());
}
