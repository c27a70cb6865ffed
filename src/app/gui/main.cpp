// larkspoon: the desktop application.
#include "shell/MainWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTimer>

namespace {

// Writes a picture of each main view into folder and reports whether all were written.
bool writeScreenshots(MainWindow& window, const QString& folder) {
    QDir().mkpath(folder);
    window.show();
    QCoreApplication::processEvents();
    const bool ok = window.grab().save(folder + QStringLiteral("/main-window.png"));
    if (!ok)
        qWarning("could not write screenshots to %s", qPrintable(folder));
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QCoreApplication::setOrganizationName(QStringLiteral("Larkspoon!"));
    QCoreApplication::setApplicationName(QStringLiteral("Larkspoon!"));
    QApplication app(argc, argv);

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Larkspoon! recipe library"));
    parser.addHelpOption();
    QCommandLineOption screenshots(QStringLiteral("screenshots"),
                                   QStringLiteral("Write PNG pictures of the main views to <folder> and quit."),
                                   QStringLiteral("folder"));
    parser.addOption(screenshots);
    parser.addPositionalArgument(QStringLiteral("files"), QStringLiteral("Documents to open."), QStringLiteral("[files...]"));
    parser.process(app);

    MainWindow window;
    if (parser.isSet(screenshots))
        return writeScreenshots(window, parser.value(screenshots)) ? 0 : 1;

    window.show();
    return app.exec();
}
