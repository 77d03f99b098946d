#pragma once
// JPEG decoding with libjpeg, for the pictures the program carries.
#include <QByteArray>
#include <QImage>
#include <QString>

// The decoded picture, or a null image with the reason in *error (when given). Damaged data,
// a truncated file included, is an error and never ends the program.
QImage DecodeJpeg(const QByteArray& data, QString* error = nullptr);
