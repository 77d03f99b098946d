#pragma once
// The component's exception: a component error code (1 to 24), its fixed message and the
// system's error code (errno), -1 when there is none.
#include <QString>
#include <exception>
#include <string>

class EComPort : public std::exception {
 public:
  EComPort(unsigned code, int osError, QString message);
  const char* what() const noexcept override;  // the message as UTF-8
  QString Message() const { return message_; }
  // The device vanished under the port (adapter pulled, peer gone): EIO, ENXIO or ENODEV.
  bool DeviceGone() const;

  int OsError;
  unsigned ComError;

 private:
  QString message_;
  std::string utf8_;
};

// The fixed message of a component error code; empty outside 1 to 24.
QString ComErrorMessage(unsigned code);

// Component error codes used by this implementation.
enum : unsigned {
  CError_OpenFailed = 1,
  CError_WriteFailed = 2,
  CError_ReadFailed = 3,
  CError_InvalidAsync = 4,
  CError_PurgeFailed = 5,
  CError_SetStateFailed = 7,
  CError_SetTimeoutsFailed = 8,
  CError_SetupComFailed = 9,
  CError_ClearComFailed = 10,
  CError_ModemStatFailed = 11,
  CError_EscapeComFailed = 12,
  CError_ConnChangeProp = 14,
  CError_WaitForEventFailed = 21,
  CError_HasLink = 22,
  CError_PortNotOpen = 24,
};
