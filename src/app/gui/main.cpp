// larkspoon: the desktop application.
#include "shell/DesktopApplication.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>

int main(int argc, char** argv) {
    QElapsedTimer sinceMain;
    sinceMain.start();

    DesktopApplication::prepareProcess();
    QApplication app(argc, argv);
    DesktopApplication::setUpApplication();

    QCommandLineParser parser;
    parser.setApplicationDescription(QCoreApplication::translate("main", "Larkspoon! recipe library"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption quitWhenShownOption(
        QStringLiteral("quit-when-shown"),
        QCoreApplication::translate("main", "Quit as soon as the main window shows the recipe list, printing "
                                            "the milliseconds since the process started."));
    parser.addOption(quitWhenShownOption);
    const QCommandLineOption typeWhenShownOption(
        QStringLiteral("type-when-shown"),
        QCoreApplication::translate("main",
                                    "With --quit-when-shown: first type this text into the search field "
                                    "letter by letter, and print the memory used before and after."),
        QStringLiteral("text"));
    parser.addOption(typeWhenShownOption);
    parser.addPositionalArgument(QStringLiteral("files"),
                                 QCoreApplication::translate("main", "Libraries and documents to open."),
                                 QStringLiteral("[files...]"));
    parser.process(app);
    const bool quitWhenShownRun = parser.isSet(quitWhenShownOption);
    const QStringList documents = DesktopApplication::documentArguments(parser.positionalArguments());

    DesktopApplication desktop;
    // A run that measures the start is a copy of its own.
    if (const std::optional<int> status = desktop.becomePrimaryOrHandOver(documents, quitWhenShownRun))
        return *status;
    desktop.start(documents,
                  [&desktop, &sinceMain, quitWhenShownRun, typed = parser.value(typeWhenShownOption)] {
                      if (quitWhenShownRun)
                          desktop.quitWhenShown(sinceMain, typed);
                  });
    return app.exec();
}
