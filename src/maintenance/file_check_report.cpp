#include "file_check_report.h"

#include <QApplication>

#include "config_file.h"
#include "message_box.h"

bool ShowFileCheck(const FileCheck::Result& checked) {
  // Too short to hold a signature and its check byte, or larger than the file image buffer: no
  // such file at all, whatever its first bytes are.
  if (checked.fault == FileCheck::ReadFault::TooLarge ||
      (checked.readOk() && checked.bytes.size() < ConfigFileFormat::MinSize)) {
    ErrorBox(FileCheck::BadFormatText.toString());
    return false;
  }
  if (!checked.readOk()) {
    ErrorBox(checked.error);
    return false;
  }
  if (!checked.signatureOk) ErrorBox(FileCheck::BadFormatText.toString());
  if (!checked.checksumOk) {
    QApplication::beep();
    ErrorBox(FileCheck::BadChecksumText.toString());
  }
  return checked.good();
}
