#pragma once
// The system's reasons in the programs' language: the C library tells them in English.
#include <QString>

QString SystemErrorText(int code);
