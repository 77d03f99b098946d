#pragma once
// The password change and the firmware update on one controller, shared by one port and many:
// what is checked before any port opens, and the work on a controller once logged in.
#include <QByteArray>
#include <QString>

#include "firmware_image.h"

struct CliOptions;
class Console;
class Session;

// passwd's argument; throws CliError (Usage) when it is not four digits.
QByteArray NewPassword(const CliOptions& options);
// Throws CliError when the controller did not take it.
void ChangePassword(Session& session, const QByteArray& password);

// The firmware file, read and tested whole; throws CliError (Error).
FirmwareImage LoadFirmwareImage(const QString& path);
// The bootloader exchange with its progress; Ctrl-C is refused meanwhile. Throws CliError.
void UpdateFirmware(Session& session, const FirmwareImage& image, Console& console);
