// larkspoon-cli: the same library as the application, headless. JSON on stdout.
#include "CliCommand.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>
#include <memory>

namespace {

void printUsage(FILE* stream) {
    QTextStream out(stream);
    out << "usage: larkspoon-cli [--library PATH] COMMAND [ARGS...]\n\ncommands:\n";
    for (const CliCommand& command : cliCommands())
        out << "  " << command.name
            << (command.synopsis.isEmpty() ? QString() : QStringLiteral(" ") + command.synopsis) << "\n";
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setOrganizationName(QStringLiteral("Larkspoon!"));
    QCoreApplication::setApplicationName(QStringLiteral("Larkspoon!"));
    // Painting a page into a PDF needs the fonts of a GUI application; it runs on the
    // offscreen platform, so the tool still needs no display. Every other command keeps the
    // lighter core application.
    bool paintsPages = false;
    for (int i = 1; i < argc; ++i)
        paintsPages = paintsPages || qstrcmp(argv[i], "--pdf") == 0;
    if (paintsPages && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The HTML engine (recipe cards) shares its drawing contexts with the application.
    if (paintsPages)
        QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    std::unique_ptr<QCoreApplication> app = paintsPages ? std::make_unique<QGuiApplication>(argc, argv)
                                                        : std::make_unique<QCoreApplication>(argc, argv);

    QStringList args = QCoreApplication::arguments().mid(1);
    QString libraryPath;
    while (!args.isEmpty() && args.first().startsWith(QStringLiteral("--"))) {
        const QString option = args.takeFirst();
        if (option == QStringLiteral("--help")) {
            printUsage(stdout);
            return CliOK;
        }
        if (option == QStringLiteral("--library") || option.startsWith(QStringLiteral("--library="))) {
            // Only a missing --library means the default library; an empty path (an unset
            // shell variable) must not quietly select the user's real library.
            if (option == QStringLiteral("--library") && args.isEmpty()) {
                CliSession::printError(QStringLiteral("option --library needs a path"));
                return CliUsage;
            }
            libraryPath = option == QStringLiteral("--library") ? args.takeFirst() : option.mid(10);
            if (!checkPathArgument(libraryPath, QStringLiteral("--library")))
                return CliUsage;
        } else {
            CliSession::printError(QStringLiteral("unknown option %1").arg(option));
            printUsage(stderr);
            return CliUsage;
        }
    }
    if (args.isEmpty()) {
        printUsage(stderr);
        return CliUsage;
    }
    if (libraryPath.isEmpty())
        libraryPath = QSettings().value(QStringLiteral("libraryPath")).toString();
    if (libraryPath.isEmpty())
        libraryPath = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) +
                      QStringLiteral("/Larkspoon! Library.library");

    const QString name = args.takeFirst();
    for (const CliCommand& command : cliCommands()) {
        if (command.name == name) {
            CliSession session(libraryPath);
            return command.handler(session, args);
        }
    }
    CliSession::printError(QStringLiteral("unknown command %1").arg(name));
    printUsage(stderr);
    return CliUsage;
}
