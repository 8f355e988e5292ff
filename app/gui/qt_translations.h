// Qt's own texts (file choosers, message box buttons) in the desktop's language: the
// translations Qt ships for the system locale, when they are installed.
#pragma once

class QCoreApplication;

// Installs Qt's translations for the system locale into app; false when none were found.
// The translator lives until the program ends.
bool InstallQtTranslations(QCoreApplication& app);
