#pragma once
// The system's reasons in velt-cli's language: the C library tells them in English.
#include <QString>

QString SystemErrorText(int code);
