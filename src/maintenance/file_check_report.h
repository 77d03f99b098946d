#pragma once
// Tells the user what the file reader found wrong with a configuration or firmware file.
#include "file_check.h"

// Shows the boxes a bad file deserves, in their order (the format, then a beep and the check
// byte); true when the file is good.
bool ShowFileCheck(const FileCheck::Result& checked);
