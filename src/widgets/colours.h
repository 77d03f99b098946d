#pragma once
// The window's colour scheme: what a configuration control's background says about its state,
// and the lamp colours of the live status.
#include <QComboBox>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPalette>
#include <QRgb>

namespace Colours {
inline constexpr QRgb Edited = qRgb(255, 0, 0);        // changed since its item's last transfer
inline constexpr QRgb PaleYellow = qRgb(255, 255, 153);  // numbers and settings, in step
inline constexpr QRgb PaleOrange = qRgb(255, 204, 153);  // texts that switch on, in step
inline constexpr QRgb PaleGreen = qRgb(204, 255, 153);   // texts that switch off, in step
inline constexpr QRgb Lime = qRgb(0, 255, 0);
inline constexpr QRgb Red = qRgb(255, 0, 0);
inline constexpr QRgb Grey = qRgb(128, 128, 128);
inline constexpr QRgb Black = qRgb(0, 0, 0);
inline constexpr QRgb White = qRgb(255, 255, 255);
inline constexpr QRgb Blue = qRgb(0, 0, 255);

// The platform's colours of buttons and dialogs (lamps with no known state) and of an edit
// field's background (configuration controls whose item has no colour of its own).
inline QColor ButtonFace() { return QGuiApplication::palette().color(QPalette::Button); }
inline QColor WindowColour() { return QGuiApplication::palette().color(QPalette::Base); }
}  // namespace Colours

// Colours what the user sees as the control's background: the text area of an edit field, the
// face of a list, the area behind a check box's caption or a lamp (never a check box's square).
inline void SetBackground(QWidget* control, const QColor& colour) {
  QPalette palette = control->palette();
  if (qobject_cast<QLineEdit*>(control)) {
    palette.setColor(QPalette::Base, colour);
  } else if (qobject_cast<QComboBox*>(control)) {
    palette.setColor(QPalette::Button, colour);
    palette.setColor(QPalette::Base, colour);
  } else {
    palette.setColor(QPalette::Window, colour);
    control->setAutoFillBackground(true);
  }
  control->setPalette(palette);
}

inline void SetTextColour(QWidget* control, const QColor& colour) {
  QPalette palette = control->palette();
  palette.setColor(QPalette::WindowText, colour);
  palette.setColor(QPalette::Text, colour);
  control->setPalette(palette);
}
