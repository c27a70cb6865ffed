#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

// The folder the program's translations (larkspoon_<locale>.qm) are installed in: the
// "translations" folder beside the resources folder.
QString translationsDirectory();

// Installs on the application the translation of the program for the locale (the user's
// by default), and Qt's own translation for it (the texts of standard dialogs and
// buttons), when they exist. Returns whether the program's translation was found;
// without one the texts are shown as written in the source (English). Call once, before
// the first window is made. The translators belong to the application.
bool installTranslations(QCoreApplication& application, const QLocale& locale = QLocale::system(),
                         const QString& directory = translationsDirectory());
