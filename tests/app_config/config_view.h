#pragma once
// The configuration controls as the user sees them: found by their names, their backgrounds
// named after the window's colour scheme, and the colour each takes when its item is in step.
#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

class QWidget;
class TMain;
class WindowRig;

// The 78 configuration controls (texts, times, limits and the boxes of the matrix, the outputs
// and the options), sorted by name.
QList<QWidget*> ConfigurationControls(const TMain& window);
// Those of them, and the operator list, whose names match the pattern, sorted by name.
QList<QWidget*> ControlsMatching(const TMain& window, const QString& pattern);
QWidget* Control(const TMain& window, const QString& name);

// What a control's background shows: "red", "yellow", "orange", "green", "window", "face",
// else #rrggbb.
QString Colour(const QWidget* control);
// Paints a control's background as the window would, to see it repainted.
void Paint(QWidget* control, const QColor& colour);
// The colour of a control whose item is in step, in normal or mini alarm-panel mode.
QString InStepColour(const QString& name, bool mini);
// "Name colour" of every configuration control, for comparing before and after.
QStringList Colours(const TMain& window);
// "Name colour" of the configuration controls that are not in their in-step colour.
QStringList NotInStep(const TMain& window, bool mini);

// The controls as text: a field "Name=text", a list "Name=entry", a ticked box "Name" (a clear
// box is left out); a disabled control gets "(disabled)".
QString Shown(const QList<QWidget*>& controls);

// Sets controls as a reply or a file would: "Name=text" for a field, "Name+" and "Name-" to
// tick and clear a box, "Name#2" for a list entry. False when a control is missing.
bool SetControls(const TMain& window, const QStringList& settings);

// Types the text key by key, any character (a backspace as "\b"), as a keyboard would.
void Type(QWidget* widget, const QString& text);

// Makes the window the active one, so that the focus moves as for a user.
bool Activate(WindowRig& rig);
