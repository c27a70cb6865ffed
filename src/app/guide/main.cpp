// larkspoon-guide: the user guide as a PDF, made from its HTML by the web engine at build
// time (the `guide` target).
//
//   larkspoon-guide GUIDE.html PICTURES OUTPUT.pdf
//
// GUIDE.html names its pictures by file name; they are read from the folder PICTURES (the
// screenshots program's output). Exits 0 once OUTPUT.pdf is written.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMarginsF>
#include <QPageLayout>
#include <QPageSize>
#include <QTimer>
#include <QUrl>
#include <QWebEnginePage>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s GUIDE.html PICTURES OUTPUT.pdf\n",
                     argc > 0 ? argv[0] : "larkspoon-guide");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QTWEBENGINE_CHROMIUM_FLAGS"))
        qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QGuiApplication app(argc, argv);
    const QString source = QString::fromLocal8Bit(argv[1]);
    const QString pictures = QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath();
    const QString output = QFileInfo(QString::fromLocal8Bit(argv[3])).absoluteFilePath();

    QFile file(source);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "larkspoon-guide: cannot read %s\n", qPrintable(source));
        return 1;
    }
    const QString html = QString::fromUtf8(file.readAll());
    QDir().mkpath(QFileInfo(output).path());
    // What a failed run left behind is no guide.
    QFile::remove(output);

    QWebEnginePage page;
    int status = 1;
    QObject::connect(&page, &QWebEnginePage::pdfPrintingFinished, &app, [&](const QString&, bool ok) {
        status = ok ? 0 : 1;
        // The engine writes the file for its owner only; the guide is read by every user.
        if (ok)
            QFile::setPermissions(output,
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup | QFile::ReadOther);
        if (!ok)
            std::fprintf(stderr, "larkspoon-guide: the PDF could not be written at %s\n", qPrintable(output));
        app.quit();
    });
    QObject::connect(&page, &QWebEnginePage::loadFinished, &app, [&](bool ok) {
        if (!ok) {
            std::fprintf(stderr, "larkspoon-guide: the guide's page did not load\n");
            app.quit();
            return;
        }
        const QPageLayout layout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(18, 18, 18, 18),
                                 QPageLayout::Millimeter);
        page.printToPdf(output, layout);
    });
    // A page that never finishes loading would keep the build waiting.
    QTimer::singleShot(120000, &app, [&] {
        std::fprintf(stderr, "larkspoon-guide: gave up waiting for the web engine\n");
        app.quit();
    });
    page.setHtml(html, QUrl::fromLocalFile(pictures + QLatin1Char('/')));
    app.exec();
    return status;
}
