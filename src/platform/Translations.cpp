#include "Translations.h"

#include "DataModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

QString translationsDirectory() {
    // Translations sit beside the resources folder, in the checkout (lrelease writes the
    // .qm files into translations/) as in an installation (share/larkspoon/translations),
    // so the resources' lookup finds both.
    const QString resources = resourcesPath();
    if (resources.isEmpty())
        return QString();
    return QDir::cleanPath(resources + QStringLiteral("/../translations"));
}

bool installTranslations(QCoreApplication& application, const QLocale& locale, const QString& directory) {
    // QTranslator::load tries the locale's UI languages from the narrowest
    // (larkspoon_de_CH.qm) to the broadest (larkspoon_de.qm).
    auto* qtTranslator = new QTranslator(&application);
    if (qtTranslator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qtTranslator);
    else
        delete qtTranslator;

    auto* translator = new QTranslator(&application);
    if (!translator->load(locale, QStringLiteral("larkspoon"), QStringLiteral("_"), directory)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}
