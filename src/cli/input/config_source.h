#pragma once
// Configuration and firmware files as the window reads them: signature, checksum and layout
// tested before anything is used.
#include <QByteArray>
#include <QString>

#include "config_file.h"

// A configuration ("gcf") or firmware ("gfr") file, read whole with its signature and checksum
// tested. Throws CliError (Error) naming the file and what is wrong with it.
QByteArray ReadCheckedFile(const QString& path, const char* signature);
// Throws CliError (Error) naming the file and what is wrong with it.
ConfigFile LoadConfigFile(const QString& path);
// What becomes of a file already there when --force is not given.
enum class ExistingFile { ReplacedUnlessReadOnly, Kept };
// Before a long download or watch: throws CliError (Error) when the file could not be saved there
// (no such folder, no permission, a folder of that name), or when a file is there that the rule
// keeps and replacing it was not asked for. A character device or a FIFO is written into.
void CheckCanSave(const QString& path, bool force, ExistingFile existing = ExistingFile::ReplacedUnlessReadOnly);
// Writes the file as the window saves it (atomically, readable by its owner only), or straight
// into a character device or a FIFO (WriteFileOrStream); throws CliError.
void SaveConfigFile(const QString& path, const ConfigFile& file);
// Any other output file the same way (readable by its owner only); throws CliError.
void SaveOutputFile(const QString& path, QByteArrayView bytes);
