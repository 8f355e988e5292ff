#include "app/gui/qt_translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

bool InstallQtTranslations(QCoreApplication& app) {
    // "qt" is Qt's catalogue of catalogues: it pulls in qtbase and the other modules' files.
    static QTranslator translator;
    if (!translator.load(QLocale(), "qt", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return false;
    return app.installTranslator(&translator);
}
