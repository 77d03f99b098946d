#include "comport_error.h"

#include <array>
#include <cerrno>
#include <utility>

EComPort::EComPort(unsigned code, int osError, QString message)
    : OsError(osError), ComError(code), message_(std::move(message)),
      utf8_(message_.toStdString()) {}

const char* EComPort::what() const noexcept { return utf8_.c_str(); }

bool EComPort::DeviceGone() const { return OsError == EIO || OsError == ENXIO || OsError == ENODEV; }

QString ComErrorMessage(unsigned code) {
  static const std::array<const char16_t*, 24> messages = {
      u"Unable to open com port",
      u"WriteFile function failed",
      u"ReadFile function failed",
      u"Invalid Async parameter",
      u"PurgeComm function failed",
      u"Unable to get async status",
      u"SetCommState function failed",
      u"SetCommTimeouts failed",
      u"SetupComm function failed",
      u"ClearCommError function failed",
      u"GetCommModemStatus function failed",
      u"EscapeCommFunction function failed",
      u"TransmitCommChar function failed",
      u"Cannot set property while connected",
      u"EnumPorts function failed",
      u"Failed to store settings",
      u"Failed to load settings",
      u"Link (un)registration failed",
      u"Cannot change led state if ComPort is selected",
      u"Cannot wait for event if event thread is created",
      u"WaitForEvent method failed",
      u"A component is linked to OnRxBuf event",
      u"Registry error",
      u"Port Not Open",
  };
  if (code < 1 || code > messages.size()) return {};
  return QString::fromUtf16(messages[code - 1]);
}
