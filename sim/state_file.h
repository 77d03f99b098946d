#pragma once
// The controller's memory in a file, so that it survives a restart of the simulator.
//
// A small JSON document; byte strings (items and password) are hexadecimal so that every byte of
// a Windows-1250 text comes back exactly.
#include <QString>

#include "controller_state.h"

// Fills state from the file; on failure leaves state as it was and says why in error.
bool LoadState(const QString& path, ControllerState* state, QString* error);

// Writes the whole state to a temporary file and renames it over path.
bool SaveState(const QString& path, const ControllerState& state, QString* error);
