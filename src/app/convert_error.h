#pragma once
// A text that does not convert to a number or setting.
#include <QString>
#include <stdexcept>

class EConvertError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Decimal integer conversion that raises EConvertError, with the text in the message.
int StrToInt(const QString& text);
