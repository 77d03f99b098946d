#pragma once
// Writes a file so that a failure never destroys the file it replaces: the data goes to a new
// file beside it (mode 0600, since configuration files hold the access password in plain text),
// is flushed to the disk, and only then takes the target's name. A target that is a symbolic
// link has the file it points to replaced (unless LinkRule says otherwise); anything but a regular file (a folder, a device, a
// FIFO) is refused as a target.
#include <QByteArrayView>
#include <QString>

// What becomes of a symbolic link given as the target: the file it points to is replaced, or the
// link itself (asked for by a user who may not know where it points).
enum class LinkRule { ReplaceTarget, ReplaceLink };

// True on success. On failure the temporary file is removed, the target is as it was, *error
// names the file and the system's reason, and errno holds that reason.
bool WriteFileAtomically(const QString& path, QByteArrayView data, QString* error, LinkRule links = LinkRule::ReplaceTarget);

// The same for a new file: a name that is already taken is never replaced (*taken is then set),
// even by a file that appears meanwhile.
bool CreateFileAtomically(const QString& path, QByteArrayView data, QString* error, bool* taken);

// For a name a user gives as output: a character device (/dev/null, /dev/stdout on a terminal)
// or a FIFO (a pipe, as /dev/stdout or /dev/fd/N may be) is written straight into, as a shell's
// redirection would, since neither can be replaced; a FIFO that nobody reads is refused at once
// (ENXIO) rather than waited on. Anything else goes through WriteFileAtomically.
bool WriteFileOrStream(const QString& path, QByteArrayView data, QString* error);
// A file of this st_mode is written straight into by WriteFileOrStream.
bool IsStreamMode(unsigned mode);
