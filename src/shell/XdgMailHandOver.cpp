#include "XdgMailHandOver.h"

#include "platform/DesktopHandOver.h"

#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString kXdgEmail = QStringLiteral("xdg-email");
}

QStringList XdgMailHandOver::xdgEmailArguments(const QString& subject, const QString& body,
                                               const QStringList& attachmentPaths) {
    QStringList arguments{QStringLiteral("--utf8"), QStringLiteral("--subject"), subject};
    if (!body.isEmpty())
        arguments << QStringLiteral("--body") << body;
    for (const QString& path : attachmentPaths)
        arguments << QStringLiteral("--attach") << QFileInfo(path).absoluteFilePath();
    return arguments;
}

// xdg-email is not waited for: with some mail programs it lasts as long as the mail program.
MailHandOver::Result XdgMailHandOver::composeWithAttachments(const QString& subject, const QString& body,
                                                             const QStringList& attachmentPaths) {
    for (const QString& path : attachmentPaths)
        if (!QFileInfo(path).isFile())
            return {false, QStringLiteral("the attachment %1 does not exist").arg(path)};
    const QString program = QStandardPaths::findExecutable(kXdgEmail);
    if (program.isEmpty())
        return {false, QStringLiteral("xdg-email was not found (package xdg-utils)")};
    QString error;
    if (!desktophandover::startHelper(this, program, xdgEmailArguments(subject, body, attachmentPaths),
                                      lateFailure(), &error))
        return {false, error};
    return {true, {}};
}

MailHandOver::Result XdgMailHandOver::composeMailto(const QString& subject, const QString& plainText) {
    QString error;
    if (!desktophandover::openUrl(this, mailtoAddress(subject, plainText), lateFailure(), &error))
        return {false, error};
    return {true, {}};
}

desktophandover::Failed XdgMailHandOver::lateFailure() const {
    return [this](const QString& why) { reportLateFailure(why); };
}
