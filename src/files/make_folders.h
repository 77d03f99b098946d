#pragma once
// A folder and every missing one on the way to it, as mkdir -p makes them.
#include <QByteArray>
#include <sys/types.h>

// 0 when the folder is there, else the errno of the step that failed (ENOTDIR when the path or
// a part of it is something other than a folder). New folders get `mode`, less the umask; folders
// already there keep theirs.
int MakeFolders(const QByteArray& path, mode_t mode);
