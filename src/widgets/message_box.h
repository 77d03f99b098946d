#pragma once
// The program's standard message boxes: one OK button, captioned by their kind.
#include <QString>

void ErrorBox(const QString& text);
void InformationBox(const QString& text);
void WarningBox(const QString& text);
