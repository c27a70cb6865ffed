#include "DesktopHandOver.h"

#include <QDesktopServices>
#include <QObject>
#include <QProcess>
#include <QStandardPaths>

#include <memory>

namespace desktophandover {

namespace {
constexpr qsizetype kKeptMessage = 4096; // of the helper's error output, the end
}

bool startHelper(QObject* owner, const QString& program, const QStringList& arguments, Failed failed,
                 QString* error) {
    auto* process = new QProcess(owner);
    process->setProgram(program);
    process->setArguments(arguments);
    process->setStandardOutputFile(QProcess::nullDevice());
    // The error output is read as it comes, so a long-running helper never blocks on a full
    // pipe; only its end is kept, for the message.
    auto message = std::make_shared<QByteArray>();
    QObject::connect(process, &QProcess::readyReadStandardError, process, [process, message] {
        message->append(process->readAllStandardError());
        if (message->size() > kKeptMessage)
            message->remove(0, message->size() - kKeptMessage);
    });
    QObject::connect(
        process, &QProcess::finished, owner,
        [process, message, failed = std::move(failed)](int exitCode, QProcess::ExitStatus status) {
            message->append(process->readAllStandardError());
            process->deleteLater();
            if (status == QProcess::NormalExit && exitCode == 0)
                return;
            const QStringList lines =
                QString::fromLocal8Bit(*message).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
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
