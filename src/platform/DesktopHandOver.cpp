#include "DesktopHandOver.h"

#include <QDesktopServices>
#include <QDir>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <algorithm>

namespace desktophandover {

namespace {
constexpr qint64 kKeptMessage = 4096; // of the helper's error output, the end read
}

bool startHelper(QObject* owner, const QString& program, const QStringList& arguments, Failed failed,
                 QString* error) {
    auto* process = new QProcess(owner);
    process->setProgram(program);
    process->setArguments(arguments);
    // No pipes: the program the helper starts inherits its output channels and may outlive
    // this one, and a pipe closed with this program would end it at its next message. Error
    // output goes to a file instead, read once the helper ends.
    auto* messages =
        new QTemporaryFile(QDir::tempPath() + QStringLiteral("/larkspoon-helper-XXXXXX"), process);
    if (!messages->open()) {
        if (error)
            *error =
                QStringLiteral("no file for the messages of %1: %2").arg(program, messages->errorString());
        delete process;
        return false;
    }
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(messages->fileName());
    QObject::connect(
        process, &QProcess::finished, owner,
        [process, messages, failed = std::move(failed)](int exitCode, QProcess::ExitStatus status) {
            process->deleteLater();
            if (status == QProcess::NormalExit && exitCode == 0)
                return;
            messages->seek(std::max<qint64>(0, messages->size() - kKeptMessage));
            const QStringList lines =
                QString::fromLocal8Bit(messages->readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
            const QString why = lines.isEmpty() ? QStringLiteral("%1 ended with code %2")
                                                      .arg(process->program())
                                                      .arg(status == QProcess::NormalExit ? exitCode : -1)
                                                : lines.last().trimmed();
            if (failed)
                failed(why);
        });
    process->start();
    if (!process->waitForStarted()) {
        if (error)
            *error = QStringLiteral("%1 could not be started: %2").arg(program, process->errorString());
        QObject::disconnect(process, nullptr, owner, nullptr);
        delete process;
        return false;
    }
    return true;
}

bool openUrl(QObject* owner, const QUrl& url, Failed failed, QString* error) {
    const QString xdgOpen = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (xdgOpen.isEmpty()) {
        if (QDesktopServices::openUrl(url))
            return true;
        if (error)
            *error = QStringLiteral("no program opens %1").arg(url.toString(QUrl::RemoveQuery));
        return false;
    }
    return startHelper(owner, xdgOpen,
                       {url.isLocalFile() ? url.toLocalFile() : url.toString(QUrl::FullyEncoded)},
                       std::move(failed), error);
}

} // namespace desktophandover
