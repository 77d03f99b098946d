#pragma once
// The version of velt, velt-cli and velt-sim, as the build sets it.
#include <QString>

QString VeltVersion();  // "1.85"
// The program's name with its version: the main window's title and the about window's first line.
QString ProgramTitle();
// What --version prints (without the last line's end): the program, the version, the copyright
// and the licence.
QString VersionText(const QString& program);
