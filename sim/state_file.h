#pragma once
// The controller's memory in a file, so that it survives a restart of the simulator.
//
// A small JSON document; byte strings (items and password) are hexadecimal so that every byte of
// a Windows-1250 text comes back exactly.
#include <QString>

#include "controller_state.h"

// A state file is a few kilobytes; anything much larger is not one.
inline constexpr qint64 MaxStateFileSize = 64 * 1024;

enum class StateFileLoad {
  Loaded,    // state now holds the file's contents
  Missing,   // there is no file yet
  Unusable,  // a regular file whose contents are not a state; error says why
  Refused,   // not a regular file, too large or unreadable; error says why; leave it alone
};

// Fills state from the file, never blocking on it (a named pipe or a device is refused unopened);
// on any outcome but Loaded leaves state as it was.
StateFileLoad LoadState(const QString& path, ControllerState* state, QString* error);

// Renames an unusable state file to the first free name of PATH.bad, PATH.bad.1, ...; returns
// that name, or nothing with the reason. Only a regular file is moved.
QString MoveAside(const QString& path, QString* error);

// Writes the whole state to a temporary file and renames it over path.
bool SaveState(const QString& path, const ControllerState& state, QString* error);
