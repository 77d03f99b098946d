#pragma once
// The register's file before the database engine opens it: its folder and the file itself made
// for their owner only (they hold access passwords and SIM PINs), and a look at the header that
// tells a file which is no database, or was cut short, from one the engine may write to.
#include <QString>

namespace RegisterFile {

// $XDG_DATA_HOME/velt/register.sqlite, or under ~/.local/share when that is unset or relative;
// empty when neither tells where (no home either).
QString DefaultPath();

// Makes the missing folders (0700) and the file when missing (0600, empty). A folder or file
// that is there keeps its mode. Throws RegisterFault, also for an empty path.
void Prepare(const QString& path);

// Throws RegisterFault (Damaged) when the file cannot be a register: not a database, or shorter
// than its own header says while no write-ahead log holds the rest. An empty file passes.
void CheckHeader(const QString& path);

// A register the database engine found damaged is left alone by every program from then on: a
// note beside it names the file (its device and inode, so that a file put in its place is not
// refused) and why. Throws nothing; a note that cannot be written leaves the file as it was.
void NoteDamage(const QString& path, const QString& reason);
// Throws RegisterFault (Damaged) when a note names this very file.
void CheckDamageNote(const QString& path);

// This process's hold on the register file, taken before the database engine opens it and given
// back once the engine closed it. Only a hold taken while no other is held prepares the file and
// looks at its header: closing any descriptor of a file drops every lock the process holds on
// it, the engine's included, so nothing opens the file itself while the engine has it open here.
class Hold {
 public:
  // Throws RegisterFault as Prepare, CheckHeader and CheckDamageNote do.
  explicit Hold(const QString& path);
  ~Hold();
  Hold(const Hold&) = delete;
  Hold& operator=(const Hold&) = delete;

 private:
  quint64 device_ = 0, inode_ = 0;
};

}  // namespace RegisterFile
