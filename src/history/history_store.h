#pragma once
// The folder of the configuration history. Every entry is an ordinary configuration file that
// the window, velt-cli and any copy of velt load; its name carries what identifies it
// (entry_name.h); a listing reads each file only to tell whether it loads. Entries are written with the safe
// writer and readable by their owner only (they hold the SIM PIN and the access password), in a
// folder velt makes for the owner only. A folder that is a symbolic link or belongs to someone
// else is refused, and a folder velt did not make keeps its mode. The entries are ordered by when
// they were kept, which the clock in their names alone does not tell once the clock was set back:
// a new entry's modification time is set after every other entry's. The newest entries up to a
// bound stay; older ones are removed, never the one just kept, and only files that velt named.
#include <QList>
#include <QString>
#include <optional>

#include "config_file.h"
#include "entry_name.h"

struct ListedEntry {
  QString fileName;
  EntryName name;
  qint64 keptNs = 0;      // when it was kept: the file's modification time (ns since 1970)
  bool regular = false;   // a plain file, not a folder, link or device of that name
  bool readable = false;  // regular, and it loads as a configuration file
};

class HistoryStore {
 public:
  static constexpr int DefaultBound = 10000;
  static constexpr char NoteSuffix[] = ".note";  // never an entry's name: it does not end in .gcf

  explicit HistoryStore(QString folder = DefaultFolder(), int bound = DefaultBound);

  // $XDG_DATA_HOME/velt/history, or ~/.local/share/velt/history when that is unset or relative;
  // empty when neither tells where (no home either): no history is kept then.
  static QString DefaultFolder();
  const QString& Folder() const { return folder_; }
  QString PathOf(const QString& fileName) const;

  // Writes the entry (making the folder when it is missing), then removes the oldest entries
  // beyond the bound, never this one. The new file's name, or nullopt with *failure set to what failed and why
  // ("/home/a/.local/share/velt/history: brak uprawnień").
  // A note, when given, is kept beside the entry (its name with NoteSuffix) for what the name
  // cannot carry; an entry whose note could not be written is kept all the same.
  std::optional<QString> Keep(const EntryLabel& label, const ConfigFile& file, QString* failure,
                              QByteArrayView note = {}) const;
  // The note kept beside an entry; nullopt when it has none.
  std::optional<QByteArray> Note(const QString& fileName) const;
  // The entries, the one kept last first; files that velt did not name are left out. A missing folder lists
  // nothing. One that is there but cannot be listed, or is refused, lists nothing with *error set
  // to a sentence for the user; *error is cleared otherwise.
  QList<ListedEntry> List(QString* error) const;

 private:
  // Stamps the new entry as the newest, then removes the oldest beyond the bound.
  void Settle(const QString& kept) const;
  // List(), each file read to tell whether it loads when check is set.
  QList<ListedEntry> Sorted(bool check, QString* error) const;

  QString folder_;
  int bound_;
};
