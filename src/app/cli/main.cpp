// larkspoon-cli: the same library as the application, headless. JSON on stdout.
#include "CliCommand.h"

#include <QCoreApplication>
#include <QSettings>
#include <QStandardPaths>
#include <QTextStream>

#include <cstdio>

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
    QCoreApplication app(argc, argv);

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
