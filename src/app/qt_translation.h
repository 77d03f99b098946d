#pragma once
// Qt's own dialogs and menus (the file dialogs, the text fields' context menu) in the user's
// language; the window's own texts are Polish whatever the language.
#include <QLocale>

class QCoreApplication;

// Installs Qt's translation for locale on app; false when the system has none for it.
bool InstallQtTranslation(QCoreApplication& app, const QLocale& locale);
